#include "support/WindowMeasures.h"

#include <QCoreApplication>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <vector>

namespace fen::test {

StallMeter::StallMeter() {
    clock_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        const qint64 now = clock_.nsecsElapsed();
        worst_ = std::max(worst_, now - last_);
        last_ = now;
    });
    timer_.start(1);
}

bool runEventsUntil(const std::function<bool()>& done, qint64 milliseconds) {
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the loop to look at the clock
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double statusMiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
        }
    }
    return 0;
}

void restartPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string heavyPagePdf(int count) {
    // In hundredths of a point: 0.2 pt squares, 0.28 pt apart across and 0.76 pt down. One row is
    // written once and repeated, each time 0.76 pt lower: every square is still filled on its own.
    constexpr int perRow = 2000;
    std::string row;
    char number[16];
    auto put = [&](std::string& to, int value) {
        const auto end = std::to_chars(number, number + sizeof number, value).ptr;
        to.append(number, end);
        to += ' ';
    };
    std::vector<std::size_t> ends;
    for (int i = 0; i < std::min(count, perRow); ++i) {
        put(row, 500 + i * 28);
        row += "500 20 20 re f\n";
        ends.push_back(row.size());
    }
    std::string content = "0.01 0 0 0.01 0 0 cm 0 0 0.6 rg\n";
    content.reserve(content.size() +
                    (row.size() + 16) * static_cast<std::size_t>(count / perRow + 1));
    for (int left = count; left > 0; left -= perRow) {
        if (left != count) {
            content += "1 0 0 1 0 76 cm\n";
        }
        content.append(row, 0, ends[static_cast<std::size_t>(std::min(left, perRow) - 1)]);
    }

    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle pages = pdf.getRoot().getKey("/Pages");
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>");
    page.replaceKey("/Parent", pages);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    pages.replaceKey("/Kids", QPDFObjectHandle::newArray({pdf.makeIndirectObject(page)}));
    pages.replaceKey("/Count", QPDFObjectHandle::newInteger(1));
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.setStaticID(true);
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    return {reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize()};
}

} // namespace fen::test
