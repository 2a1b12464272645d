#include "support/WindowMeasures.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <charconv>
#include <fstream>

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
    // In hundredths of a point: 0.2 pt squares, 0.28 pt apart across and 0.76 pt down.
    std::string content = "0.01 0 0 0.01 0 0 cm 0 0 0.6 rg\n";
    content.reserve(static_cast<std::size_t>(count) * 20 + content.size());
    char number[16];
    auto put = [&](int value) {
        const auto end = std::to_chars(number, number + sizeof number, value).ptr;
        content.append(number, end);
        content += ' ';
    };
    for (int i = 0; i < count; ++i) {
        put(500 + i % 2000 * 28);
        put(500 + i / 2000 * 76);
        content += "20 20 re f\n";
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
