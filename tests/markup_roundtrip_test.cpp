// CMarkup with files: names and texts surviving Save then Load, files of other tools, encodings,
// damaged documents and deep nesting.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/Markup.h"
#include "platform/TextConv.h"
#include "tests/support/MonitorTestAccess.h"

namespace {

class MarkupFiles : public ::testing::Test {
protected:
    ScratchHost scratch_;

    CString Path(const char* name) const { return NarrowToWide((scratch_.Dir() / name).string()); }
    void WriteBytes(const char* name, const std::string& bytes) const {
        std::ofstream(scratch_.Dir() / name, std::ios::binary) << bytes;
    }
    std::string ReadAll(const char* name) const {
        std::ifstream in(scratch_.Dir() / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

// The element tree below the current level as text: "A=1,B(C=2)".
std::wstring Dump(CMarkup& xml) {
    std::wstring out;
    xml.ResetMainPos();
    while (xml.FindElem()) {
        if (!out.empty()) out += L',';
        out += xml.GetTagName().str();
        if (!xml.GetData().IsEmpty()) out += L"=" + xml.GetData().str();
        xml.IntoElem();
        const std::wstring inner = Dump(xml);
        xml.OutOfElem();
        if (!inner.empty()) out += L"(" + inner + L")";
    }
    return out;
}

struct NameAndText {
    std::wstring name;
    std::wstring text;
};

std::vector<NameAndText> RoundTripCases() {
    std::wstring large;
    for (int i = 0; i < 20000; ++i) large += L"line <" + std::to_wstring(i) + L"> & \"more\" 中文\n";
    return {
        {L"ROOT", L"plain"},
        {L"Req2001", L" leading blank"},
        {L"trailing", L"trailing blank "},
        {L"Open File", L"  both  "},
        {L"a&b", L"a&b"},
        {L"a<b>", L"<tag attr=\"v\">"},
        {L"||File|Open", L"1"},
        {L"say \"hi\"", L"it's"},
        {L"中文名称", L"中文内容"},
        {L"名 称|中", L"]]> and <![CDATA["},
        {L"3D", L"&amp; is not decoded twice &#65;"},
        {L".hidden", L"line1\nline2\r\nline3\r"},
        {L"_-x", L"\t"},
        {L"_-", L"\x01\x1f control"},
        {L"_-.41.", L"\U0001F600 beyond the BMP"},
        {L"x.y:z-1", L""},
        {L"-", L" "},
        {L"tab\tname\nline", L"\n"},
        {L"big", large},
        {std::wstring(1, static_cast<wchar_t>(0xD800)) + L"lone", std::wstring(1, static_cast<wchar_t>(0xFFFF))},
    };
}

TEST_F(MarkupFiles, NamesTextsAndAttributesSurviveSaveThenLoad) {
    const auto cases = RoundTripCases();
    CMarkup out;
    ASSERT_TRUE(out.AddElem(L"ROOT"));
    ASSERT_TRUE(out.IntoElem());
    for (const auto& c : cases) {
        ASSERT_TRUE(out.AddElem(c.name.c_str(), c.text.c_str()));
        ASSERT_TRUE(out.SetAttrib(c.name.c_str(), c.text.c_str()));
    }
    ASSERT_TRUE(out.Save(Path("roundtrip.xml")));

    CMarkup in;
    ASSERT_TRUE(in.Load(Path("roundtrip.xml")));
    EXPECT_TRUE(in.GetResult().IsEmpty()) << WideToNarrow(in.GetResult());
    ASSERT_TRUE(in.FindElem(L"ROOT"));
    ASSERT_TRUE(in.IntoElem());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        ASSERT_TRUE(in.FindElem());
        EXPECT_EQ(in.GetTagName().str(), cases[i].name);
        EXPECT_EQ(in.GetData().str(), cases[i].text);
        EXPECT_EQ(in.GetAttrib(cases[i].name.c_str()).str(), cases[i].text);
    }
    EXPECT_FALSE(in.FindElem());
    in.ResetMainPos();
    EXPECT_TRUE(in.FindElem(L"||File|Open"));
    EXPECT_EQ(in.GetData(), L"1");

    // Valid names are written as they are, the others in their escaped form, as valid XML names.
    const std::string file = ReadAll("roundtrip.xml");
    EXPECT_EQ(file.rfind(
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<ROOT>\r\n\t<ROOT ROOT=\"plain\">plain</ROOT>\r\n", 0),
              0u);
    for (const char* written : {"<Req2001 ", "<中文名称 ", "<x.y:z-1 ", "<_-Open.20.File ", "<_-.7c..7c.File.7c.Open ",
                                "<_-3D ", "<_-_-x ", "<_-_-.2e.41.2e. ", "<_-名.20.称.7c.中 "})
        EXPECT_NE(file.find(written), std::string::npos) << written;
    EXPECT_EQ(WideToNarrow(NarrowToWide(file)), file);  // valid UTF-8 throughout
}

TEST_F(MarkupFiles, DeepNestingSavesAndLoadsWithoutRecursion) {
    const int depth = 100000;
    CMarkup out;
    for (int i = 0; i < depth; ++i) {
        ASSERT_TRUE(out.AddElem(L"N"));
        ASSERT_TRUE(out.IntoElem());
    }
    ASSERT_TRUE(out.AddElem(L"Bottom", L"deep"));
    ASSERT_TRUE(out.Save(Path("deep.xml")));
    EXPECT_LT(std::filesystem::file_size(scratch_.Dir() / "deep.xml"), 50u * depth);  // indentation is capped

    CMarkup in;
    ASSERT_TRUE(in.Load(Path("deep.xml")));
    EXPECT_TRUE(in.GetResult().IsEmpty());
    int levels = 0;
    while (in.FindElem(L"N") && in.IntoElem()) ++levels;
    EXPECT_EQ(levels, depth);
    ASSERT_TRUE(in.FindElem(L"Bottom"));
    EXPECT_EQ(in.GetData(), L"deep");
    in.ResetPos();
    ASSERT_TRUE(in.FindElem());
    EXPECT_TRUE(in.RemoveElem());  // frees the whole chain
    EXPECT_EQ(in.GetDoc(), L"");
}

TEST_F(MarkupFiles, FilesOfOtherToolsLoad) {
    WriteBytes("foreign.xml",
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<!-- written by hand -->\n"
               "<!DOCTYPE MonitorConfig [\n  <!ENTITY x \"y>\">\n  <!ELEMENT a (#PCDATA)>\n]>\n"
               "<?app some instruction?>\n"
               "<MonitorConfig>\n"
               "  <OperationMapping kind='single' other = \"double\" bare=yes>\n"
               "    <value1>\n"
               "      <_-foo>3</_-foo>\n"
               "      <Empty></Empty>\n"
               "      <Blank>   </Blank>\n"
               "    </value1>\n"
               "  </OperationMapping>\n"
               "  <RequestMapping>\n"
               "    <Req1005> leading blank</Req1005>\n"
               "    <Req1006><![CDATA[a <b> & c]]></Req1006>\n"
               "    <Req1007>&lt;&#65;&#x4E2D;&amp;&quot;&apos;&gt; &unknown; & alone</Req1007>\n"
               "    <Req1008>one<!-- note --> two</Req1008>\n"
               "  </RequestMapping>\n"
               "</MonitorConfig>\n");
    CMarkup xml;
    ASSERT_TRUE(xml.Load(Path("foreign.xml")));
    EXPECT_TRUE(xml.GetResult().IsEmpty()) << WideToNarrow(xml.GetResult());
    ASSERT_TRUE(xml.FindElem(L"MonitorConfig"));
    ASSERT_TRUE(xml.FindChildElem(L"OperationMapping"));
    EXPECT_EQ(xml.GetChildAttrib(L"kind"), L"single");
    EXPECT_EQ(xml.GetChildAttrib(L"other"), L"double");
    EXPECT_EQ(xml.GetChildAttrib(L"bare"), L"yes");
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_EQ(Dump(xml),
              L"OperationMapping(value1(_-foo=3,Empty,Blank=   )),"
              L"RequestMapping(Req1005= leading blank,Req1006=a <b> & c,"
              L"Req1007=<A中&\"'> &unknown; & alone,Req1008=one two)");

    // What it saves loads back the same.
    ASSERT_TRUE(xml.Save(Path("resaved.xml")));
    CMarkup again;
    ASSERT_TRUE(again.Load(Path("resaved.xml")));
    EXPECT_EQ(again.GetDoc(), xml.GetDoc());
}

TEST_F(MarkupFiles, EncodingsByByteOrderMarkOrDeclaration) {
    auto utf16 = [](const std::u16string& text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t u : text) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return bytes;
    };
    const std::u16string utf16Doc = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<R>中文 \U0001F600</R>";
    const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文 in GBK
    // Wine 8 has no GB18030 code page (54936), which Windows and iconv have: there the set is an
    // unknown encoding, read as UTF-8 with replacement characters. A four-byte sequence (U+0080)
    // tells whether the system knows the set at all.
    const bool hasGb18030 = DecodeText("\x81\x30\x81\x30", "GB18030") == L"\u0080";
    const struct {
        const char* what;
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"UTF-8 with BOM", "\xEF\xBB\xBF<R>中文</R>", L"中文"},
        {"UTF-8 without declaration", "<R>中文</R>", L"中文"},
        {"UTF-16LE with BOM", utf16(utf16Doc, false), L"中文 \U0001F600"},
        {"UTF-16BE with BOM", utf16(utf16Doc, true), L"中文 \U0001F600"},
        {"GBK", "<?xml version=\"1.0\" encoding=\"GBK\"?><R>" + gbk + "</R>", L"中文"},
        {"gb2312, single quotes", "<?xml version='1.0' encoding='gb2312'?>\n<R>" + gbk + "</R>", L"中文"},
        {"GB18030", "<?xml version=\"1.0\" encoding=\"GB18030\"?><R>" + gbk + "</R>",
         hasGb18030 ? L"中文" : L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"GBK cut inside a character", "<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xD6\xD0\xCE</R>", L"中\uFFFD"},
        {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R>caf\xE9</R>", L"caf\u00E9"},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"x-no-such\"?><R>中\xFF</R>", L"中\uFFFD"},
        {"UTF-16 label on a one-byte file", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><R>中</R>", L"中"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes("encoded.xml", c.bytes);
        CMarkup xml;
        ASSERT_TRUE(xml.Load(Path("encoded.xml")));
        EXPECT_TRUE(xml.GetResult().IsEmpty()) << WideToNarrow(xml.GetResult());
        ASSERT_TRUE(xml.FindElem(L"R"));
        EXPECT_EQ(xml.GetData().str(), c.text);
    }
}

TEST(MarkupDamaged, DocumentsLoadAsFarAsTheyAreWellFormed) {
    const struct {
        const wchar_t* text;
        const wchar_t* tree;
    } cases[] = {
        {L"<ROOT><A>1</A><B>2", L"ROOT(A=1,B=2)"},
        {L"<ROOT><A>1</A><B", L"ROOT(A=1)"},
        {L"<ROOT><A>1</A><B x=\"1", L"ROOT(A=1)"},
        {L"<ROOT><A>1</B></ROOT>", L"ROOT(A=1)"},
        {L"<ROOT><A>1</A>< B/></ROOT>", L"ROOT(A=1)"},
        {L"<ROOT><A>1</A><!-- never closed <B/></ROOT>", L"ROOT(A=1)"},
        {L"<ROOT><A><![CDATA[x</A></ROOT>", L"ROOT(A)"},
        {L"<ROOT/>trailing text", L"ROOT"},
        {L"<ROOT><A>1</A></ROOT></EXTRA>", L"ROOT(A=1)"},
        {L"[ROOT]\r\nStatisticsTime=1\r\n", L""},
        {L"\x01\x02<<>>&&", L""},
        // Raw names: cut inside the end tag, the element keeps the name read as a tag's name; a
        // raw name that its end tag never confirms is taken out, and its parent keeps its text.
        {L"<ROOT><A>1</A><Level2 深度行情>5</Level2 深度", L"ROOT(A=1,Level2=5)"},
        {L"<ROOT><A>x<say \"hi\">1</A></ROOT>", L"ROOT(A=x)"},
        {L"<ROOT><A>x<say \"hi\"><B>1</B>", L"ROOT(A=x)"},
        {L"<ROOT><A>1</A><a<b>2</a<c></ROOT>", L"ROOT(A=1)"},
        {L"<ROOT><Level2 深度行情>5</Level2 深度></ROOT>", L"ROOT(Level2=5)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(WideToNarrow(std::wstring(c.text)));
        CMarkup xml;
        EXPECT_FALSE(xml.SetDoc(c.text));
        EXPECT_FALSE(xml.GetResult().IsEmpty());
        EXPECT_EQ(Dump(xml), c.tree);
    }
}

TEST(MarkupDamaged, EveryPrefixOfADocumentRewritesStably) {
    const std::wstring doc =
        L"<?xml version=\"1.0\"?><!-- c --><ROOT a='1' b=\"&lt;2&gt;\"><A>x &amp; y</A><B><C><![CDATA[<raw>]]></C>"
        L"<D/><_-Open.20.File>  v  </_-Open.20.File></B><E>&#x4E2D;&#20013;</E></ROOT>";
    for (size_t n = 0; n <= doc.size(); ++n) {
        CMarkup first;
        first.SetDoc(doc.substr(0, n).c_str());
        const CString written = first.GetDoc();
        CMarkup second;
        EXPECT_TRUE(second.SetDoc(written)) << n;
        EXPECT_EQ(second.GetDoc(), written) << n;
    }
}

// The host writes the keys of its configuration file as element names without escaping them: the
// name is everything between '<' and '>', repeated in the end tag.
TEST_F(MarkupFiles, NamesWrittenWithoutEscapingLoadAsWritten) {
    const std::vector<std::wstring> names = {
        L"||文件|另存为 ...",
        L"Level2 深度行情",
        L"A&B",
        L"A&amp;B",
        L"say \"hi\"",
        L"it's",
        L"a<b",
        L"x='1'",
        L"a=b",
        L"||交易|买入/卖出",
        L"trailing ",
        L" leading",
        L"<",
        L"a /b",
        L"MENU NAME=\"x\"",
        L"_-Open.20.File x",
        L"||File|Open",
        L"Req2001",
    };
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<MonitorConfig>\r\n<value1>\r\n";
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string name = WideToNarrow(names[i]);
        text += "\t<" + name + ">" + std::to_string(i + 1) + "</" + name + ">\r\n";
    }
    text += "</value1>\r\n<After>kept</After>\r\n</MonitorConfig>\r\n";
    WriteBytes("host.xml", text);

    CMarkup xml;
    ASSERT_TRUE(xml.Load(Path("host.xml"))) << WideToNarrow(xml.GetResult());
    ASSERT_TRUE(xml.FindElem(L"MonitorConfig") && xml.IntoElem());
    ASSERT_TRUE(xml.FindElem(L"value1") && xml.IntoElem());
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(WideToNarrow(names[i]));
        ASSERT_TRUE(xml.FindElem());
        EXPECT_EQ(xml.GetTagName().str(), names[i]);
        EXPECT_EQ(xml.GetData().str(), std::to_wstring(i + 1));
        EXPECT_EQ(xml.GetAttrib(L"NAME"), L"");
    }
    EXPECT_FALSE(xml.FindElem());
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.FindElem(L"After"));
    EXPECT_EQ(xml.GetData(), L"kept");

    // Saved (names escaped) and loaded again, the document is the same.
    ASSERT_TRUE(xml.Save(Path("resaved.xml")));
    CMarkup again;
    ASSERT_TRUE(again.Load(Path("resaved.xml")));
    EXPECT_EQ(again.GetDoc(), xml.GetDoc());

    // Tags with attributes still read as names with attributes when their end tag is the name.
    CMarkup attributes(L"<MENU NAME=\"x\" bare><MENU NAME='y'>1</MENU></MENU >");
    EXPECT_TRUE(attributes.GetResult().IsEmpty());
    ASSERT_TRUE(attributes.FindElem(L"MENU"));
    EXPECT_EQ(attributes.GetAttrib(L"NAME"), L"x");
    ASSERT_TRUE(attributes.FindChildElem(L"MENU"));
    EXPECT_EQ(attributes.GetChildAttrib(L"NAME"), L"y");
}

TEST_F(MarkupFiles, MissingFileGivesAnEmptyDocument) {
    CMarkup xml(L"<ROOT><A/></ROOT>");
    EXPECT_FALSE(xml.Load(Path("missing.xml")));
    EXPECT_EQ(xml.GetDoc(), L"");
    EXPECT_FALSE(xml.FindElem());
    EXPECT_FALSE(xml.Save(Path("no-such-dir/out.xml")));

    // A damaged file: Load fails, so that nobody saves it back cut short, and keeps what is well
    // formed.
    WriteBytes("cut.xml", "<?xml version=\"1.0\"?>\r\n<ROOT>\r\n\t<A>1</A>\r\n\t<B>2</");
    EXPECT_FALSE(xml.Load(Path("cut.xml")));
    EXPECT_FALSE(xml.GetResult().IsEmpty());
    EXPECT_EQ(Dump(xml), L"ROOT(A=1,B=2)");
}

TEST_F(MarkupFiles, ConfigurationWrittenAndReadTheWayTheMonitorDoes) {
    // Generator side: kinds with "type", "value1" holding keys, "value2".
    CMarkup gen;
    ASSERT_TRUE(gen.AddElem(L"MonitorConfig"));
    ASSERT_TRUE(gen.IntoElem());
    ASSERT_TRUE(gen.AddElem(L"OperationMapping"));
    ASSERT_TRUE(gen.IntoElem());
    ASSERT_TRUE(gen.AddElem(L"MenuCommand"));
    ASSERT_TRUE(gen.IntoElem());
    ASSERT_TRUE(gen.AddElem(L"type", L"1"));
    ASSERT_TRUE(gen.AddElem(L"value1"));
    ASSERT_TRUE(gen.IntoElem());
    ASSERT_TRUE(gen.AddElem(L"||File|Open", 1));
    ASSERT_TRUE(gen.AddElem(L"||File|Save As...", 2));
    ASSERT_TRUE(gen.OutOfElem());
    ASSERT_TRUE(gen.AddElem(L"value2", L"0"));
    ASSERT_TRUE(gen.OutOfElem());
    ASSERT_TRUE(gen.Save(Path("MonitorConfig.xml")));

    // Loader side.
    CMarkup xml;
    ASSERT_TRUE(xml.Load(Path("MonitorConfig.xml")));
    ASSERT_TRUE(xml.FindElem(L"MonitorConfig") && xml.IntoElem());
    ASSERT_TRUE(xml.FindElem(L"OperationMapping") && xml.IntoElem());
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetTagName(), L"MenuCommand");
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem(L"type"));
    EXPECT_EQ(xml.GetData(), L"1");
    ASSERT_TRUE(xml.FindElem(L"value1") && xml.IntoElem());
    EXPECT_EQ(Dump(xml), L"||File|Open=1,||File|Save As...=2");
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.FindElem(L"value2"));
    EXPECT_EQ(xml.GetData(), L"0");
}

TEST(MarkupSize, MegabyteDocumentTakesLinearTime) {
    std::wstring doc = L"<ROOT>";
    for (int i = 0; doc.size() < 1000000; ++i)
        doc += L"<Item id=\"" + std::to_wstring(i) + L"\"><Name>name &amp; " + std::to_wstring(i) +
               L"</Name><Value>中文 value</Value></Item>";
    doc += L"</ROOT>";
    const auto start = std::chrono::steady_clock::now();
    CMarkup xml;
    ASSERT_TRUE(xml.SetDoc(doc.c_str()));
    const CString written = xml.GetDoc();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GT(written.GetLength(), 1000000);
    // A bound that only a step quadratic in the number of elements would exceed, even in a
    // sanitizer build on a busy machine; bench/markup_bench.cpp measures the real cost.
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

}  // namespace
