// CMarkup: navigation, editing, saved positions, document flags and whole-document operations.
#include <gtest/gtest.h>

#include "host/Markup.h"

namespace {

// ROOT holds A(1) B(2) A(3) and C, which holds D(4).
const wchar_t* const kSample = L"<ROOT><A>1</A><B>2</B><A>3</A><C><D>4</D></C></ROOT>";

CMarkup IntoRoot() {
    CMarkup xml(kSample);
    EXPECT_TRUE(xml.FindElem(L"ROOT"));
    EXPECT_TRUE(xml.IntoElem());
    return xml;
}

// Tag names of the main level, from the first, leaving the position after the last.
std::wstring Siblings(CMarkup& xml) {
    xml.ResetMainPos();
    std::wstring names;
    while (xml.FindElem())
        names += xml.GetTagName().str() + (xml.GetData().IsEmpty() ? L"" : L"=" + xml.GetData().str()) + L" ";
    return names;
}

TEST(MarkupNavigation, FindElemSearchesForwardFromTheMainPosition) {
    CMarkup xml = IntoRoot();
    ASSERT_TRUE(xml.FindElem(L"A"));
    EXPECT_EQ(xml.GetData(), L"1");
    ASSERT_TRUE(xml.FindElem(L"A"));
    EXPECT_EQ(xml.GetData(), L"3");
    // A failed search changes nothing: the next search still starts after the second A.
    EXPECT_FALSE(xml.FindElem(L"A"));
    EXPECT_EQ(xml.GetData(), L"3");
    EXPECT_FALSE(xml.FindElem(L"B"));
    ASSERT_TRUE(xml.FindElem(nullptr));  // any element
    EXPECT_EQ(xml.GetTagName(), L"C");
    EXPECT_FALSE(xml.FindElem());
    EXPECT_EQ(xml.GetTagName(), L"C");
    // Names are exact and case-sensitive.
    xml.ResetMainPos();
    EXPECT_FALSE(xml.FindElem(L"a"));
    EXPECT_TRUE(xml.FindElem(L"B"));
}

TEST(MarkupNavigation, IntoAndOutOfElemAtTheEdges) {
    CMarkup xml(kSample);
    EXPECT_FALSE(xml.IntoElem());   // no main position: nothing changes
    EXPECT_FALSE(xml.OutOfElem());  // top level
    ASSERT_TRUE(xml.FindElem(L"ROOT"));
    EXPECT_FALSE(xml.OutOfElem());
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_EQ(xml.GetTagName(), L"");  // inside, no main position yet
    ASSERT_TRUE(xml.FindElem(L"C"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem(L"D"));
    EXPECT_EQ(xml.GetData(), L"4");
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_FALSE(xml.FindElem());  // D has no children
    ASSERT_TRUE(xml.OutOfElem());  // back on D
    EXPECT_EQ(xml.GetTagName(), L"D");
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_EQ(xml.GetTagName(), L"C");
    ASSERT_TRUE(xml.OutOfElem());  // back on ROOT
    EXPECT_EQ(xml.GetTagName(), L"ROOT");
    EXPECT_FALSE(xml.OutOfElem());
    // Entering again starts from the first child.
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetData(), L"1");
}

TEST(MarkupNavigation, EnteringAnElementWithoutMainPositionFailsAndAddsAtThatLevel) {
    // The report pattern: with no LogOn under ROOT, entering fails and TransInfo lands under ROOT.
    CMarkup xml(L"<ROOT><StatisticsTime>3</StatisticsTime></ROOT>");
    ASSERT_TRUE(xml.FindElem(L"ROOT"));
    ASSERT_TRUE(xml.IntoElem());
    while (xml.FindElem(L"LogOn")) {
    }
    EXPECT_FALSE(xml.IntoElem());
    if (xml.FindElem(L"TransInfo")) xml.RemoveElem();
    ASSERT_TRUE(xml.AddElem(L"TransInfo"));
    EXPECT_EQ(Siblings(xml), L"StatisticsTime=3 TransInfo ");
}

TEST(MarkupNavigation, GettersAreEmptyWithoutElementOrValue) {
    CMarkup xml(L"<ROOT a=\"x\"><B/></ROOT>");
    EXPECT_EQ(xml.GetTagName(), L"");
    EXPECT_EQ(xml.GetData(), L"");
    EXPECT_EQ(xml.GetAttrib(L"a"), L"");
    ASSERT_TRUE(xml.FindElem());
    EXPECT_EQ(xml.GetAttrib(L"a"), L"x");
    EXPECT_EQ(xml.GetAttrib(L"b"), L"");
    EXPECT_EQ(xml.GetData(), L"");  // has children: no text
    EXPECT_EQ(xml.GetNodeType(), CMarkup::MNT_ELEMENT);
}

TEST(MarkupEditing, AddElemGoesAfterTheMainPositionOrLast) {
    CMarkup xml = IntoRoot();
    ASSERT_TRUE(xml.FindElem(L"B"));
    ASSERT_TRUE(xml.AddElem(L"X", L"after B"));
    EXPECT_EQ(xml.GetTagName(), L"X");  // the new element is the main position
    ASSERT_TRUE(xml.AddElem(L"Y", 42));
    EXPECT_EQ(Siblings(xml), L"A=1 B=2 X=after B Y=42 A=3 C ");
    // Without a main position: last child.
    xml.ResetMainPos();
    ASSERT_TRUE(xml.AddElem(L"Z"));
    EXPECT_EQ(Siblings(xml), L"A=1 B=2 X=after B Y=42 A=3 C Z ");
    // Inserting: before the main position, or first.
    xml.ResetMainPos();
    ASSERT_TRUE(xml.InsertElem(L"First"));
    ASSERT_TRUE(xml.FindElem(L"C"));
    ASSERT_TRUE(xml.InsertElem(L"BeforeC", 7));
    EXPECT_EQ(Siblings(xml), L"First A=1 B=2 X=after B Y=42 A=3 BeforeC=7 C Z ");
    EXPECT_FALSE(xml.AddElem(L""));
    EXPECT_FALSE(xml.AddElem(nullptr));
}

TEST(MarkupEditing, BuildingADocumentFromNothing) {
    CMarkup xml;
    EXPECT_EQ(xml.GetDoc(), L"");
    ASSERT_TRUE(xml.AddElem(L"ROOT"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddElem(L"LogOn"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.AddElem(L"ServerName", L"quote1"));
    ASSERT_TRUE(xml.AddElem(L"RetryTime", 2));
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_EQ(xml.GetDoc(),
              L"<ROOT>\r\n\t<LogOn>\r\n\t\t<ServerName>quote1</ServerName>\r\n\t\t<RetryTime>2</RetryTime>\r\n"
              L"\t</LogOn>\r\n</ROOT>\r\n");
}

TEST(MarkupEditing, ChildLevelMembersLeaveTheMainPosition) {
    CMarkup xml = IntoRoot();
    EXPECT_FALSE(xml.AddChildElem(L"K"));  // needs a main position
    ASSERT_TRUE(xml.FindElem(L"C"));
    ASSERT_TRUE(xml.AddChildElem(L"E", L"5"));
    ASSERT_TRUE(xml.InsertChildElem(L"Before", L"0"));
    EXPECT_EQ(xml.GetTagName(), L"C");
    EXPECT_EQ(xml.GetChildTagName(), L"Before");
    ASSERT_TRUE(xml.AddChildAttrib(L"n", 9));
    EXPECT_EQ(xml.GetChildAttrib(L"n"), L"9");
    xml.ResetChildPos();
    ASSERT_TRUE(xml.FindChildElem(L"E"));
    EXPECT_EQ(xml.GetChildData(), L"5");
    ASSERT_TRUE(xml.SetChildData(L"6"));
    // Entering moves to the child level with the child as main position.
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_EQ(xml.GetData(), L"6");
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.FindChildElem(L"Before"));
    ASSERT_TRUE(xml.RemoveChildElem());
    ASSERT_TRUE(xml.IntoElem());
    EXPECT_EQ(Siblings(xml), L"D=4 E=6 ");
}

TEST(MarkupEditing, SetDataAndAttributes) {
    CMarkup xml = IntoRoot();
    EXPECT_FALSE(xml.SetData(L"x"));  // no main position
    ASSERT_TRUE(xml.FindElem(L"B"));
    ASSERT_TRUE(xml.SetData(L"new"));
    ASSERT_TRUE(xml.SetAttrib(L"k", L"v"));
    ASSERT_TRUE(xml.SetAttrib(L"k", L"w"));  // replaced, not added
    ASSERT_TRUE(xml.AddAttrib(L"n", -3));
    EXPECT_EQ(xml.GetData(), L"new");
    EXPECT_EQ(xml.GetSubDoc(), L"<B k=\"w\" n=\"-3\">new</B>\r\n");
    ASSERT_TRUE(xml.SetData(12));
    EXPECT_EQ(xml.GetData(), L"12");
    ASSERT_TRUE(xml.FindElem(L"C"));
    EXPECT_FALSE(xml.SetData(L"text"));  // has child elements
    // Adding a child to a leaf drops its text: an element holds text or children.
    xml.ResetMainPos();
    ASSERT_TRUE(xml.FindElem(L"B"));
    ASSERT_TRUE(xml.AddChildElem(L"K"));
    EXPECT_EQ(xml.GetData(), L"");
}

TEST(MarkupEditing, RemoveElemLeavesThePreviousSibling) {
    CMarkup xml = IntoRoot();
    EXPECT_FALSE(xml.RemoveElem());  // no main position
    ASSERT_TRUE(xml.FindElem(L"B"));
    ASSERT_TRUE(xml.RemoveElem());
    EXPECT_EQ(xml.GetData(), L"1");
    ASSERT_TRUE(xml.FindElem());  // continues after the first A
    EXPECT_EQ(xml.GetData(), L"3");
    xml.ResetMainPos();
    ASSERT_TRUE(xml.FindElem(L"A"));
    ASSERT_TRUE(xml.RemoveElem());  // the first: no previous sibling
    EXPECT_EQ(xml.GetTagName(), L"");
    ASSERT_TRUE(xml.FindElem());  // so the search starts from the first child again
    EXPECT_EQ(xml.GetData(), L"3");
    ASSERT_TRUE(xml.FindElem(L"C"));
    ASSERT_TRUE(xml.RemoveElem());  // with its content
    EXPECT_EQ(Siblings(xml), L"A=3 ");
    EXPECT_EQ(xml.GetDoc().Find(L"<D>"), -1);
}

TEST(MarkupEditing, SubDocumentsAndElementContent) {
    CMarkup xml = IntoRoot();
    ASSERT_TRUE(xml.FindElem(L"C"));
    EXPECT_EQ(xml.GetElemContent(), L"<D>4</D>\r\n");
    ASSERT_TRUE(xml.SetElemContent(L"<E>5</E><F/>"));
    EXPECT_EQ(xml.GetSubDoc(), L"<C>\r\n\t<E>5</E>\r\n\t<F/>\r\n</C>\r\n");
    ASSERT_TRUE(xml.SetElemContent(L"a &amp; b"));
    EXPECT_EQ(xml.GetData(), L"a & b");
    EXPECT_FALSE(xml.SetElemContent(L"<E>"));
    EXPECT_EQ(xml.GetData(), L"a & b");

    ASSERT_TRUE(xml.AddSubDoc(L"<?xml version=\"1.0\"?><S x=\"1\"><T>t</T></S>"));
    EXPECT_EQ(xml.GetTagName(), L"S");
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem(L"T"));
    EXPECT_EQ(xml.GetData(), L"t");
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_FALSE(xml.AddSubDoc(L"<S><T></S>"));
    EXPECT_FALSE(xml.AddSubDoc(L"no element"));
    ASSERT_TRUE(xml.InsertSubDoc(L"<P/><Q/>"));
    EXPECT_EQ(Siblings(xml), L"A=1 B=2 A=3 C=a & b P Q S ");
}

TEST(MarkupPositions, SavePosAndRestorePos) {
    CMarkup xml = IntoRoot();
    ASSERT_TRUE(xml.FindElem(L"C"));
    ASSERT_TRUE(xml.IntoElem());
    ASSERT_TRUE(xml.FindElem(L"D"));
    ASSERT_TRUE(xml.SavePos(L"deep"));
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.SavePos());  // unnamed slot
    xml.ResetPos();
    ASSERT_TRUE(xml.RestorePos(L"deep"));
    EXPECT_EQ(xml.GetData(), L"4");
    ASSERT_TRUE(xml.OutOfElem());
    ASSERT_TRUE(xml.OutOfElem());
    EXPECT_EQ(xml.GetTagName(), L"ROOT");
    ASSERT_TRUE(xml.RestorePos(nullptr));
    EXPECT_EQ(xml.GetTagName(), L"C");
    EXPECT_FALSE(xml.RestorePos(L"never saved"));
    EXPECT_EQ(xml.GetTagName(), L"C");
    // A position whose element was removed is not restored.
    ASSERT_TRUE(xml.RemoveElem());
    EXPECT_FALSE(xml.RestorePos(L"deep"));
    // A new document forgets the saved positions.
    xml.SetDoc(kSample);
    EXPECT_FALSE(xml.RestorePos(nullptr));
}

TEST(MarkupDocument, FlagsConstructorsAndCopies) {
    CMarkup xml;
    EXPECT_EQ(xml.GetDocFlags(), 0);
    xml.SetDocFlags(0xFF);
    EXPECT_EQ(xml.GetDocFlags(), 0x8F);
    EXPECT_EQ(CMarkup(0xFF).GetDocFlags(), 0xFF);

    CMarkup original = IntoRoot();
    ASSERT_TRUE(original.FindElem(L"B"));
    CMarkup copy(original);
    EXPECT_EQ(copy.GetData(), L"2");  // positions are copied too
    ASSERT_TRUE(copy.SetData(L"changed"));
    EXPECT_EQ(original.GetData(), L"2");
    original = copy;
    EXPECT_EQ(original.GetData(), L"changed");
    const CMarkup& same = original;
    original = same;  // self-assignment keeps the document
    EXPECT_EQ(original.GetDoc(), copy.GetDoc());
}

TEST(MarkupDocument, SetDocReplacesOrEmpties) {
    CMarkup xml(kSample);
    ASSERT_TRUE(xml.FindElem(L"ROOT"));
    EXPECT_TRUE(xml.SetDoc(L"<Other/>"));
    EXPECT_EQ(xml.GetTagName(), L"");  // positions reset
    EXPECT_TRUE(xml.FindElem(L"Other"));
    EXPECT_TRUE(xml.SetDoc(nullptr));
    EXPECT_EQ(xml.GetDoc(), L"");
    xml.ResetPos();
    EXPECT_FALSE(xml.FindElem());
    EXPECT_TRUE(xml.GetResult().IsEmpty());
    EXPECT_FALSE(xml.SetDoc(L"<A><B></A>"));
    EXPECT_FALSE(xml.GetResult().IsEmpty());
}

}  // namespace
