// Fuzz target of CMarkup: arbitrary bytes are decoded (directly, or through a file and Load) and
// parsed; the document is walked, edited by operations drawn from the same bytes, and written.
// Whatever was parsed or built, its text must parse again without fault into the same elements
// and texts, and write the same text again.
//
// Input: byte 0 chooses the path (bit 7: through a file) and the declared encoding (bits 0-2);
// the remaining bytes are the document, and read backwards they are the editing operations.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "host/Markup.h"
#include "platform/TextConv.h"

namespace {

struct Node {
    int depth;
    std::wstring name;
    std::wstring data;
    bool operator==(const Node&) const = default;
};

// Every element in document order, by walking with the navigator.
std::vector<Node> Walk(CMarkup& xml) {
    std::vector<Node> nodes;
    xml.ResetPos();
    int depth = 0;
    for (;;) {
        if (xml.FindElem()) {
            nodes.push_back({depth, xml.GetTagName().str(), xml.GetData().str()});
            if (!xml.IntoElem()) std::abort();
            ++depth;
            continue;
        }
        if (!xml.OutOfElem()) break;
        --depth;
    }
    if (depth != 0) std::abort();
    return nodes;
}

[[noreturn]] void Fail(const char* what, const CString& text) {
    std::fprintf(stderr, "%s\n--- written text ---\n%s\n", what, WideToNarrow(text).c_str());
    std::abort();
}

// The written text parses without fault into the same elements and writes the same text.
void CheckRewrite(CMarkup& xml) {
    const CString text = xml.GetDoc();
    CMarkup again;
    if (!again.SetDoc(text)) Fail("the written text does not parse", text);
    if (again.GetDoc() != text) Fail("the text written again differs", text);
    if (Walk(again) != Walk(xml)) Fail("the written text holds other elements or texts", text);
}

// The file that inputs go through on their way to Load; removed when the fuzzer exits.
const std::filesystem::path& ScratchPath() {
    static const std::filesystem::path path = FuzzScratchDir("markup_fuzz") / "input.xml";
    return path;
}

class Ops {
public:
    Ops(const uint8_t* data, size_t size, const std::wstring& text) : data_(data), size_(size), text_(text) {}
    bool More() const { return used_ < size_ && used_ < 256; }
    unsigned Next() { return used_ < size_ ? data_[size_ - 1 - used_++] : 0; }
    // A name or value: from a fixed set of awkward ones, or a piece of the decoded input.
    std::wstring Text() {
        static const wchar_t* const kPool[] = {L"ROOT", L"a b", L"_-", L"_-x", L"|",    L"&<>\"'", L"\u4e2d",
                                               L".",    L"x.y", L" ",  L"]]>", L"\r\n", L"3D"};
        const unsigned pick = Next();
        if (pick < 160 || text_.empty()) return kPool[pick % (sizeof kPool / sizeof kPool[0])];
        const size_t start = Next() * text_.size() / 256;
        const size_t length = Next() % 24;
        std::wstring piece = text_.substr(start, length);
        piece.erase(std::remove(piece.begin(), piece.end(), L'\0'), piece.end());
        return piece;
    }

private:
    const uint8_t* data_;
    size_t size_;
    const std::wstring& text_;
    size_t used_ = 0;
};

void Edit(CMarkup& xml, Ops& ops) {
    while (ops.More()) {
        switch (ops.Next() % 19) {
            case 0:
                xml.FindElem();
                break;
            case 1:
                xml.FindElem(ops.Text().c_str());
                break;
            case 2:
                xml.IntoElem();
                break;
            case 3:
                xml.OutOfElem();
                break;
            case 4:
                xml.AddElem(ops.Text().c_str(), ops.Text().c_str());
                break;
            case 5:
                xml.InsertElem(ops.Text().c_str(), static_cast<int>(ops.Next()) - 128);
                break;
            case 6:
                xml.AddChildElem(ops.Text().c_str(), ops.Text().c_str());
                break;
            case 7:
                xml.RemoveElem();
                break;
            case 8:
                xml.RemoveChildElem();
                break;
            case 9:
                xml.SetData(ops.Text().c_str(), (ops.Next() & 1) ? CMarkup::MNF_WITHCDATA : 0);
                break;
            case 10:
                xml.SetAttrib(ops.Text().c_str(), ops.Text().c_str());
                break;
            case 11:
                xml.SavePos((ops.Next() & 1) ? L"p" : nullptr);
                break;
            case 12:
                xml.RestorePos((ops.Next() & 1) ? L"p" : nullptr);
                break;
            case 13:
                xml.FindChildElem();
                break;
            case 14:
                xml.AddSubDoc(ops.Text().c_str());
                break;
            case 15:
                xml.SetElemContent(ops.Text().c_str());
                break;
            case 16:
                xml.ResetMainPos();
                break;
            case 17:
                xml.AddNode((ops.Next() & 1) ? CMarkup::MNT_TEXT : CMarkup::MNT_CDATA_SECTION, ops.Text().c_str());
                break;
            default: {
                // The getters of whatever the positions hold.
                (void)xml.GetSubDoc();
                (void)xml.GetChildSubDoc();
                (void)xml.GetElemContent();
                (void)xml.GetAttrib(ops.Text().c_str());
                break;
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kEncodings[] = {"",         "UTF-8",    "GBK",        "GB2312",
                                             "UTF-16LE", "UTF-16BE", "ISO-8859-1", "BIG5"};
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::wstring text = DecodeText(bytes, kEncodings[data[0] & 7]);

    CMarkup xml;
    if (data[0] & 0x80) {
        std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
        if (file == nullptr) return 0;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        // The file was read: Load fails exactly when the document is not whole.
        const bool whole = xml.Load(NarrowToWide(ScratchPath().string()));
        if (whole != xml.GetResult().IsEmpty()) std::abort();
    } else {
        xml.SetDoc(text.c_str());
    }
    CheckRewrite(xml);

    Ops ops(data + 1, size - 1, text);
    Edit(xml, ops);
    CheckRewrite(xml);
    return 0;
}
