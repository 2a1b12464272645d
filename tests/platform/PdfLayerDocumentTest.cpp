#include "platform/pdf/LayerDocument.h"

#include <gtest/gtest.h>
#include <qpdf/QPDFWriter.hh>

namespace fen::pdf {
namespace {

std::string written(QPDF& pdf) {
    QPDFWriter w(pdf);
    w.setOutputMemory();
    w.write();
    auto buffer = w.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

// A recording of three pages as cairo would write them: one content stream each, resources
// with a picture form. Pages 1 and 2 use forms that read alike; page 3's form refers back to
// itself through its resources.
std::string recording() {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    for (int i = 0; i < 3; ++i) {
        QPDFObjectHandle picture = QPDFObjectHandle::newStream(&pdf, "0 0 10 10 re f");
        picture.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
        picture.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
        picture.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 10 10]"));
        QPDFObjectHandle pictureResources =
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /ExtGState << >> >>"));
        if (i == 2) {
            QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
            xobjects.replaceKey("/Self", picture);
            pictureResources.replaceKey("/XObject", xobjects);
        }
        picture.getDict().replaceKey("/Resources", pictureResources);
        QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
        QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
        xobjects.replaceKey("/x" + std::to_string(i), picture);
        resources.replaceKey("/XObject", xobjects);
        QPDFObjectHandle page =
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] >>");
        page.replaceKey("/Parent", root);
        page.replaceKey("/Resources", pdf.makeIndirectObject(resources));
        page.replaceKey("/Contents",
                        QPDFObjectHandle::newStream(&pdf, "q /x" + std::to_string(i) + " Do Q"));
        kids.appendItem(pdf.makeIndirectObject(page));
    }
    root.replaceKey("/Kids", kids);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(3));
    return written(pdf);
}

std::string content(QPDFObjectHandle form) {
    auto data = form.getStreamData(qpdf_dl_all);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

// A recording of three pages that share objects as cairo never writes them: pages 1 and 2 one
// content stream, all three one resource dictionary with a picture form /x.
std::string sharingRecording() {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
    QPDFObjectHandle picture = QPDFObjectHandle::newStream(&pdf, "0 0 10 10 re f");
    picture.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    picture.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    picture.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 10 10]"));
    QPDFObjectHandle resources = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
    xobjects.replaceKey("/x", picture);
    resources.replaceKey("/XObject", xobjects);
    QPDFObjectHandle shared = QPDFObjectHandle::newStream(&pdf, "q /x Do Q");
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    for (int i = 0; i < 3; ++i) {
        QPDFObjectHandle page =
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] >>");
        page.replaceKey("/Parent", root);
        page.replaceKey("/Resources", resources);
        page.replaceKey("/Contents",
                        i < 2 ? shared
                              : QPDFObjectHandle::newStream(&pdf, "q /x Do Q 0 0 5 5 re f"));
        kids.appendItem(pdf.makeIndirectObject(page));
    }
    root.replaceKey("/Kids", kids);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(3));
    return written(pdf);
}

TEST(PdfLayerDocument, PagesSharingObjectsWithAnEarlierFormStillReadWhole) {
    std::string bytes = sharingRecording();
    QPDF out;
    out.emptyPDF();
    LayerDocument layer(bytes, 3, out);
    QPDFObjectHandle first = layer.form(0);
    EXPECT_EQ(content(first), "q /x Do Q");
    // Page 2's resources went with page 0's form: it gets their copy.
    QPDFObjectHandle third = layer.form(2);
    EXPECT_EQ(content(third), "q /x Do Q 0 0 5 5 re f");
    QPDFObjectHandle resources = third.getDict().getKey("/Resources");
    EXPECT_EQ(resources.getObjGen(), first.getDict().getKey("/Resources").getObjGen());
    EXPECT_EQ(content(resources.getKey("/XObject").getKey("/x")), "0 0 10 10 re f");
    // Page 1's content went with page 0's form: it is read again.
    EXPECT_TRUE(layer.paints(1));
    EXPECT_EQ(content(layer.form(1)), "q /x Do Q");
}

TEST(PdfLayerDocument, CopiesFormsSharingWhatReadsAlikeAndKeepsCycles) {
    std::string bytes = recording();
    QPDF out;
    out.emptyPDF();
    LayerDocument layer(bytes, 3, out);
    EXPECT_TRUE(layer.paints(0));

    QPDFObjectHandle forms[3] = {layer.form(0), layer.form(1), layer.form(2)};
    auto picture = [](QPDFObjectHandle form, int i) {
        return form.getDict()
            .getKey("/Resources")
            .getKey("/XObject")
            .getKey("/x" + std::to_string(i));
    };
    for (auto& f : forms) {
        EXPECT_TRUE(f.isStream());
        EXPECT_EQ(f.getDict().getKey("/Subtype").getName(), "/Form");
        EXPECT_EQ(f.getDict().getKey("/BBox").unparse(), "[ 0 0 100 100 ]");
    }
    EXPECT_EQ(forms[0].getObjGen(), layer.form(0).getObjGen()); // made once
    // The pictures of pages 1 and 2 read alike: one object.
    EXPECT_EQ(picture(forms[0], 0).getObjGen(), picture(forms[1], 1).getObjGen());
    // Page 3's picture still refers to itself.
    QPDFObjectHandle self = picture(forms[2], 2);
    EXPECT_NE(self.getObjGen(), picture(forms[0], 0).getObjGen());
    EXPECT_EQ(self.getDict().getKey("/Resources").getKey("/XObject").getKey("/Self").getObjGen(),
              self.getObjGen());
    auto data = forms[1].getStreamData(qpdf_dl_all);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()),
              "q /x1 Do Q");

    // What was copied can be written.
    QPDFObjectHandle holder = out.makeIndirectObject(QPDFObjectHandle::newArray());
    for (auto& f : forms) {
        holder.appendItem(f);
    }
    out.getTrailer().replaceKey("/FenForms", holder);
    EXPECT_NO_THROW(written(out));
}

TEST(PdfLayerDocument, SegmentsRecordedAlikeShareTheFirstOnesForm) {
    std::string bytes = recording();
    QPDF out;
    out.emptyPDF();
    // Segment 1 is said to repeat segment 0; segment 2 cannot stand for itself.
    LayerDocument layer(bytes, 3, out, {1, -1, -1}, {-1, 0, 2});
    EXPECT_TRUE(layer.paints(1));
    QPDFObjectHandle first = layer.form(0);
    EXPECT_EQ(layer.form(1).getObjGen(), first.getObjGen());
    EXPECT_EQ(content(layer.form(1)), "q /x0 Do Q"); // segment 1's own page is never read
    EXPECT_NE(layer.form(2).getObjGen(), first.getObjGen());
    EXPECT_EQ(content(layer.form(2)), "q /x2 Do Q");
}

} // namespace
} // namespace fen::pdf
