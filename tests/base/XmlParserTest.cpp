#include "base/XmlParser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace kalidor;

namespace {

enum Code { kRoot = 1, kRootEnd, kTitle, kTitleEnd, kComments, kCommentsEnd, kVersion, kVersionEnd,
            kFoo, kFooEnd, kFooEmpty, kSummary, kSummaryEnd, kAuthor, kAuthorEnd };

// A parser with the tags of a small design-like format registered.
struct Parser : CXmlParser {
    explicit Parser(const std::string& text)
    {
        AddElement("<Design>", kRoot);
        AddElement("</Design>", kRootEnd);
        AddElement("<Title>", kTitle);
        AddElement("</Title>", kTitleEnd);
        AddElement("<Comments>", kComments);
        AddElement("</Comments>", kCommentsEnd);
        AddElement("<DocFmtVersion>", kVersion);
        AddElement("</DocFmtVersion>", kVersionEnd);
        AddElement("<Foo>", kFoo);
        AddElement("</Foo>", kFooEnd);
        AddElement("<Foo/>", kFooEmpty);
        AddElement("<SummaryInformation>", kSummary);
        AddElement("</SummaryInformation>", kSummaryEnd);
        AddElement("<Author>", kAuthor);
        AddElement("</Author>", kAuthorEnd);
        SetText(text);
    }
};

int CodeOf(CXmlElement* e)
{
    return e ? e->GetCode() : 0;
}

const std::string kDesignLike =
    "<?xml version=\"1.0\"?>\r\n\r\n"
    "<Design>\r\n\r\n"
    "<DocFmtVersion>2</DocFmtVersion>\r\n"
    "<!-- a comment with <Title> inside -->\r\n"
    "<SummaryInformation>\r\n"
    "<Title>Low-pass, 10 kHz</Title>\r\n"
    "<Author></Author>\r\n"
    "<Comments>\r\n<![CDATA[line1\r\n<b>line2</b>\r\n]]>\r\n</Comments>\r\n"
    "</SummaryInformation>\r\n\r\n"
    "<Extra>1<Inner/></Extra>\r\n"
    "<Foo/>\r\n"
    "<Title a=\"1/2\">x</Title>\r\n"
    "</Design>\r\n\r\n";

// The reading loop every reader is built on: registered elements are collected, anything else is
// skipped. Returns the number of NextElement calls it took.
int Drain(CXmlParser& p, std::vector<int>* codes = nullptr)
{
    int calls = 0;
    const int limit = 4 * static_cast<int>(p.GetBuffer().size()) + 16;
    for (;;) {
        ++calls;
        if (calls > limit) {
            ADD_FAILURE() << "reading loop did not end";
            return calls;
        }
        CXmlElement* e = p.NextElement();
        if (e) {
            if (codes)
                codes->push_back(e->GetCode());
            if (e->GetCode() == kTitle || e->GetCode() == kVersion || e->GetCode() == kAuthor)
                p.ReadElementText();
            continue;
        }
        if (p.GetLastResult() == kXmlEof)
            return calls;
        p.SkipElement();
    }
}

}  // namespace

TEST(XmlElementTable, FindsExactTagsAndIterates)
{
    CXmlElementTable t;
    EXPECT_EQ(t.GetFirst(), nullptr);
    t.AddElement("<Title>", 5);
    t.AddElement("</Title>", 6);
    t.AddElement("<Title>", 7);  // a duplicate: the first slot wins
    ASSERT_NE(t.FindElement("<Title>"), nullptr);
    EXPECT_EQ(t.FindElement("<Title>")->GetCode(), 5);
    EXPECT_EQ(t.FindElement("<title>"), nullptr);  // case-sensitive
    EXPECT_EQ(t.FindElement("<Title >"), nullptr);
    EXPECT_EQ(t.FindElement("Title"), nullptr);

    std::vector<int> seen;
    for (CXmlElement* e = t.GetFirst(); e; e = t.GetNext())
        seen.push_back(e->GetCode());
    EXPECT_EQ(seen, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(t.GetNext(), nullptr);  // stays at the end
    // Lookup between iteration steps does not move the iteration.
    EXPECT_EQ(t.GetFirst()->GetCode(), 5);
    t.FindElement("<Title>");
    EXPECT_EQ(t.GetNext()->GetCode(), 6);

    EXPECT_EQ(t.GetElementAt(1)->GetCode(), 6);
    EXPECT_EQ(t.GetElementAt(3), nullptr);
    EXPECT_EQ(t.GetElementAt(-1), nullptr);
    EXPECT_EQ(t.GetElementAt(100), nullptr);
    t.RemoveAll();
    EXPECT_EQ(t.GetCount(), 0);
    EXPECT_EQ(t.FindElement("<Title>"), nullptr);
}

TEST(XmlElementTable, HoldsExactlyOneHundred)
{
    CXmlElementTable t;
    for (int i = 0; i < 100; ++i)
        ASSERT_NE(t.AddElement("<T" + std::to_string(i) + ">", i), nullptr);
    EXPECT_EQ(t.AddElement("<T100>", 100), nullptr);
    EXPECT_EQ(t.GetCount(), 100);
    EXPECT_EQ(t.FindElement("<T99>")->GetCode(), 99);
    EXPECT_EQ(t.FindElement("<T100>"), nullptr);
}

TEST(XmlParserProlog, Results)
{
    {
        Parser p("  \r\n<?xml version=\"1.0\"?>\r\n<Design>");
        EXPECT_EQ(p.ParseProlog(), kXmlProlog);
        EXPECT_EQ(CodeOf(p.NextElement()), kRoot);
    }
    {
        // Without a prolog: 70, and the root is still found.
        Parser p("\r\n<Design></Design>");
        EXPECT_EQ(p.ParseProlog(), kXmlSyntax);
        EXPECT_EQ(p.GetPosition(), 2u);
        EXPECT_EQ(CodeOf(p.NextElement()), kRoot);
        EXPECT_EQ(CodeOf(p.NextElement()), kRootEnd);
    }
    {
        Parser p("<?xml href=\"a/b\"?><Design>");
        EXPECT_EQ(p.ParseProlog(), kXmlSyntax);
        EXPECT_EQ(p.GetPosition(), 0u);
    }
    for (const char* t : {"", "   \r\n", "<", "<?xml version"}) {
        Parser p(t);
        EXPECT_EQ(p.ParseProlog(), kXmlEof) << t;
    }
    {
        Parser p("\xEF\xBB\xBF<?xml version=\"1.0\"?><Design>");
        EXPECT_EQ(p.ParseProlog(), kXmlProlog);
        EXPECT_EQ(CodeOf(p.NextElement()), kRoot);
    }
}

TEST(XmlParserClassify, Codes)
{
    struct Case {
        const char* text;
        int cls;
    } cases[] = {
        {"abc", kXmlClassText},        {"\tx", kXmlClassText},
        {">", kXmlClassStrayGt},       {"<![CDATA[x]]>", kXmlClassCdata},
        {"<!DOCTYPE x>", kXmlClassDoctype}, {"<!-- c -->", kXmlClassBang},
        {"<![CDAT", kXmlClassBang},    {"<a>", kXmlClassStart},
        {"</a>", kXmlClassEnd},        {"<&x", kXmlClassAmp},
        {"<", kXmlClassStart},         {" \r\n ", kXmlEof},
    };
    for (const auto& c : cases) {
        Parser p(c.text);
        EXPECT_EQ(p.Classify(), c.cls) << c.text;
    }
}

TEST(XmlParserElements, ValueElementConsumesItsEndTag)
{
    Parser p("<DocFmtVersion>2</DocFmtVersion><Title>");
    EXPECT_EQ(CodeOf(p.NextElement()), kVersion);
    EXPECT_EQ(p.ReadElementText(), 0);
    EXPECT_EQ(p.GetText(), "2");
    EXPECT_EQ(p.GetInt(), 2);
    EXPECT_EQ(CodeOf(p.GetLastEndElement()), kVersionEnd);
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserElements, EmptyElementGivesEmptyText)
{
    Parser p("<Title>old</Title>\r\n<Title></Title>\r\n<Author>");
    p.NextElement();
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "old");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "");
    EXPECT_EQ(p.GetInt(), 0);
    EXPECT_EQ(CodeOf(p.NextElement()), kAuthor);
}

TEST(XmlParserElements, EmptyElementDoesNotSwallowTheNextStartTag)
{
    // The next element follows without a line end: it must still reach the caller.
    Parser p("<Title></Title><Author>me</Author>");
    p.NextElement();
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "");
    EXPECT_EQ(CodeOf(p.NextElement()), kAuthor);
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "me");
}

TEST(XmlParserElements, ChildStartTagIsLeftForTheCaller)
{
    Parser p("<Title><Author>x</Author></Title>");
    p.NextElement();
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "");
    EXPECT_EQ(CodeOf(p.NextElement()), kAuthor);
}

TEST(XmlParserElements, LeadingBlanksDroppedTrailingKept)
{
    Parser p("<Title>  a b  </Title>");
    p.NextElement();
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "a b  ");
    EXPECT_EQ(p.GetPosition(), p.GetBuffer().size());
}

TEST(XmlParserElements, CdataKeepsLineEndsAndLeavesEndTag)
{
    Parser p("<Comments>\r\n<![CDATA[line1\r\nline2\r\n]]>\r\n</Comments>");
    EXPECT_EQ(CodeOf(p.NextElement()), kComments);
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "line1\r\nline2\r\n");
    EXPECT_EQ(CodeOf(p.NextElement()), kCommentsEnd);
    EXPECT_EQ(CodeOf(p.NextElement()), 0);
    EXPECT_EQ(p.GetLastResult(), kXmlEof);
}

TEST(XmlParserElements, CdataMayHoldMarkup)
{
    Parser p("<![CDATA[a <Title> ]] > b]]><Title>");
    EXPECT_EQ(p.NextToken(), kXmlText);
    EXPECT_EQ(p.GetText(), "a <Title> ]] > b");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserElements, TabIsNotWhiteSpace)
{
    Parser p("\t<Title>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlText);
    EXPECT_EQ(p.GetText(), "\t");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserElements, AttributeMakesAnUnknownTag)
{
    Parser p("  <Title lang=\"en\">x</Title>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlUnknownTag);
    EXPECT_EQ(p.GetLastTag(), "<Title lang=\"en\">");
    EXPECT_EQ(p.GetPosition(), 2u);
    // Asking again gives the same answer: nothing was consumed.
    EXPECT_EQ(p.NextToken(), kXmlUnknownTag);
    EXPECT_EQ(p.GetPosition(), 2u);
}

TEST(XmlParserElements, EmptyElementTag)
{
    Parser p("<Foo/><Bar/><Foo>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlEmptyTag);
    EXPECT_EQ(p.GetLastTag(), "<Foo/>");
    EXPECT_EQ(CodeOf(p.GetCurrentElement()), kFooEmpty);
    EXPECT_EQ(p.NextElement(), nullptr);  // not registered
    EXPECT_EQ(p.GetLastResult(), kXmlUnknownTag);
    EXPECT_EQ(p.GetLastTag(), "<Bar/>");
    EXPECT_EQ(p.SkipElement(), 1);
    EXPECT_EQ(CodeOf(p.NextElement()), kFoo);
}

TEST(XmlParserElements, SlashInsideTagIsASyntaxError)
{
    Parser p("<Foo/x><Title>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlSyntax);
    EXPECT_EQ(p.GetPosition(), 0u);
    EXPECT_EQ(p.SkipElement(), 1);
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserElements, LookupIsCaseSensitive)
{
    Parser p("<title>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlUnknownTag);
}

TEST(XmlParserElements, StrayGreaterThanAndAmpersandAreText)
{
    Parser p("> x <& y <Title>");
    EXPECT_EQ(p.NextToken(), kXmlText);
    EXPECT_EQ(p.GetText(), "> x ");
    EXPECT_EQ(p.NextToken(), kXmlText);
    EXPECT_EQ(p.GetText(), "<& y ");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserElements, CommentsAndDoctypeAreSteppedOver)
{
    Parser p("<!DOCTYPE Design [ <!ELEMENT Design (Title)> ]>\r\n<!-- <Foo> -->"
             "<Design><!-- c --><Title><!-- inner -->t</Title><!ENTITY x></Design>");
    EXPECT_EQ(CodeOf(p.NextElement()), kRoot);
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "t");
    EXPECT_EQ(CodeOf(p.NextElement()), kRootEnd);
}

TEST(XmlParserElements, UnclosedCommentStopsWithoutConsuming)
{
    Parser p("<Design><!-- never closed <Title>");
    p.NextElement();
    const auto pos = p.GetPosition();
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlEof);
    EXPECT_EQ(p.GetPosition(), pos);
}

TEST(XmlParserEnd, EveryOperationStopsAtTheEnd)
{
    for (const char* t : {"", "<Title", "<Title/", "<![CDATA[abc", "text without tag", "</Title",
                          "<"}) {
        Parser p(t);
        const auto start = p.GetPosition();
        EXPECT_EQ(p.NextToken(), kXmlEof) << t;
        EXPECT_EQ(p.GetPosition(), start) << t;
        EXPECT_EQ(p.NextToken(), kXmlEof) << t;
        EXPECT_EQ(p.ScanTag(), t[0] == '<' || t[0] == 0 ? kXmlEof : kXmlSyntax) << t;
        EXPECT_EQ(p.SkipElement(), -1) << t;
        EXPECT_EQ(p.ReadElementText(), 0);
        EXPECT_EQ(p.GetText(), "");
    }
}

TEST(XmlParserEnd, ReadElementTextAtTruncatedContent)
{
    Parser p("<Title>abc");
    p.NextElement();
    p.ReadElementText();
    EXPECT_EQ(p.GetText(), "");
    EXPECT_EQ(p.GetPosition(), 7u);
}

TEST(XmlParserInt, AtoiRules)
{
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"2", 2},          {"  -17x", -17},  {"+5", 5},         {"\t\r\n 42 ", 42},
        {"abc", 0},        {"", 0},          {"-", 0},          {"- 5", 0},
        {"12 34", 12},     {"0x1F", 0},      {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN}, {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CXmlParser::AtoI(c.text, std::strlen(c.text)), c.value) << c.text;
    // Bounded by the length, not by a terminating zero.
    EXPECT_EQ(CXmlParser::AtoI("123", 2), 12);
    EXPECT_EQ(CXmlParser::AtoI(nullptr, 5), 0);
}

TEST(XmlParserText, GetTextIntoNeverOverflows)
{
    Parser p("<Title>abcdef</Title>");
    p.NextElement();
    p.ReadElementText();
    char buf[8];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(p.GetTextInto(buf, 4), 1);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], 'Z');
    EXPECT_EQ(p.GetTextInto(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "abcdef");
    EXPECT_EQ(p.GetTextInto(buf, 0), 1);
    EXPECT_EQ(p.GetText(), "abcdef");
}

TEST(XmlParserLines, TakeLineHandlesAllLineEnds)
{
    CXmlParser p;
    p.SetText(std::string("one\r\ntwo\n\rthree\nfour\r\rfive"));
    std::vector<std::string> lines;
    while (p.TakeLine() == 0)
        lines.push_back(p.GetLastTag());
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four", "", }));
    EXPECT_EQ(p.GetBuffer(), "five");
    EXPECT_EQ(p.TakeLine(), -1);
    EXPECT_EQ(p.GetBuffer(), "five");
}

TEST(XmlParserLines, TakeLineKeepsThePositionOnTheSameText)
{
    CXmlParser p;
    p.SetText(std::string("head\r\n<Title>"));
    p.SetPosition(8);
    EXPECT_EQ(p.TakeLine(), 0);
    EXPECT_EQ(p.GetPosition(), 2u);
    EXPECT_EQ(p.GetBuffer().substr(p.GetPosition()), "itle>");
}

TEST(XmlParserLines, BlankAndNewlineOperations)
{
    CXmlParser p;
    p.SetText(std::string("abc;def\r\nghi\n"));
    p.BlankToLineEnd(3);
    EXPECT_EQ(p.GetBuffer(), "abc    \r\nghi\n");
    p.BlankToLineEnd(100);  // beyond the end: nothing
    p.BlankToLineEnd(12);   // on the final LF: nothing
    EXPECT_EQ(p.GetBuffer(), "abc    \r\nghi\n");
    p.NewlinesToBlanks();
    EXPECT_EQ(p.GetBuffer(), "abc      ghi ");
}

TEST(XmlParserSkip, UnregisteredElementIsSkippedWhole)
{
    Parser p("<Design>\r\n<Extra>1<Inner/></Extra>\r\n<Title>t</Title>");
    p.NextElement();
    EXPECT_EQ(p.NextElement(), nullptr);
    std::string skipped;
    EXPECT_EQ(p.SkipElement(&skipped), 1);
    EXPECT_EQ(skipped, "<Extra>1<Inner/></Extra>");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserSkip, UnregisteredElementWithAttributeFindsItsEndTag)
{
    Parser p("<Extra a=\"1\">x</Extra><Title>");
    p.NextElement();
    std::string skipped;
    p.SkipElement(&skipped);
    EXPECT_EQ(skipped, "<Extra a=\"1\">x</Extra>");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserSkip, WithoutEndTagOnlyTheTagGoes)
{
    Parser p("<Extra><Title>t</Title>");
    p.NextElement();
    std::string skipped;
    EXPECT_EQ(p.SkipElement(&skipped), 1);
    EXPECT_EQ(skipped, "<Extra>");
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserSkip, RegisteredElementContentIsSkipped)
{
    Parser p("<Design><Foo><Title>x</Title></Foo><Title>");
    p.NextElement();
    EXPECT_EQ(CodeOf(p.NextElement()), kFoo);
    EXPECT_EQ(p.SkipElement(), 1);
    EXPECT_EQ(p.SkipElement(), 0);  // a second skip does not eat further elements
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserSkip, TextNeedsNoSkip)
{
    Parser p("abc<Title>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.SkipElement(), 0);
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlParserSkip, TagBrokenByAnotherTagKeepsTheSecond)
{
    Parser p("<Extra <Title>t</Title>");
    EXPECT_EQ(p.NextElement(), nullptr);
    EXPECT_EQ(p.GetLastResult(), kXmlUnknownTag);
    EXPECT_EQ(p.GetLastTag(), "<Extra ");  // up to the '<' that breaks it
    EXPECT_EQ(p.GetPosition(), 0u);
    p.SkipElement();
    EXPECT_EQ(CodeOf(p.NextElement()), kTitle);
}

TEST(XmlReadLoop, StopsAtOwnEndOuterEndOrEnd)
{
    Parser p("<Design><SummaryInformation><Title>t</Title><Extra/>text</Design><Foo>");
    ASSERT_EQ(CodeOf(p.NextElement()), kRoot);
    CXmlReadLoop root(p, "</Design>");
    ASSERT_EQ(CodeOf(root.Next()), kSummary);
    {
        CXmlReadLoop summary(p, "</SummaryInformation>", &root);
        std::vector<int> codes;
        while (CXmlElement* e = summary.Next()) {
            codes.push_back(e->GetCode());
            if (e->GetCode() == kTitle)
                p.ReadElementText();
        }
        EXPECT_EQ(codes, (std::vector<int>{kTitle}));
        EXPECT_TRUE(summary.EndedAtOuterTag());
        EXPECT_FALSE(summary.EndedAtOwnTag());
    }
    EXPECT_EQ(root.Next(), nullptr);
    EXPECT_TRUE(root.EndedAtOwnTag());
    EXPECT_EQ(root.Next(), nullptr);  // stays ended
    EXPECT_EQ(CodeOf(p.NextElement()), kFoo);

    Parser q("<Design><Title>");
    q.NextElement();
    CXmlReadLoop cut(q, "</Design>");
    EXPECT_EQ(CodeOf(cut.Next()), kTitle);
    EXPECT_EQ(cut.Next(), nullptr);
    EXPECT_FALSE(cut.EndedAtOwnTag());
    EXPECT_FALSE(cut.EndedAtOuterTag());
}

TEST(XmlReadLoop, EndTagFor)
{
    EXPECT_EQ(CXmlReadLoop::EndTagFor("<Foo>"), "</Foo>");
    EXPECT_EQ(CXmlReadLoop::EndTagFor("<Foo a=\"1\">"), "</Foo>");
    EXPECT_EQ(CXmlReadLoop::EndTagFor("<>"), "");
    EXPECT_EQ(CXmlReadLoop::EndTagFor("Foo"), "");
}

TEST(XmlParserRobust, DesignLikeDocumentReadsInFull)
{
    Parser p(kDesignLike);
    EXPECT_EQ(p.ParseProlog(), kXmlProlog);
    std::vector<int> codes;
    Drain(p, &codes);
    EXPECT_EQ(codes, (std::vector<int>{kRoot, kVersion, kSummary, kTitle, kAuthor, kComments,
                                       kCommentsEnd, kSummaryEnd, kTitleEnd, kRootEnd}));
}

TEST(XmlParserRobust, EveryPrefixEnds)
{
    for (std::size_t len = 0; len <= kDesignLike.size(); ++len) {
        Parser p(kDesignLike.substr(0, len));
        p.ParseProlog();
        Drain(p);
        EXPECT_LE(p.GetPosition(), p.GetBuffer().size());
    }
}

TEST(XmlParserRobust, EverySuffixEnds)
{
    for (std::size_t from = 0; from <= kDesignLike.size(); ++from) {
        Parser p(kDesignLike.substr(from));
        p.ParseProlog();
        Drain(p);
    }
}

TEST(XmlParserRobust, RandomBytesAndMutationsEnd)
{
    std::mt19937 rng(12345);
    const std::string alphabet = "<>/![]CDATA-? \r\n\tTitle&x\"";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int len = static_cast<int>(rng() % 120);
        for (int i = 0; i < len; ++i) {
            if (round % 2)
                text += static_cast<char>(rng() & 0xFF);
            else
                text += alphabet[rng() % alphabet.size()];
        }
        Parser p(text);
        p.ParseProlog();
        Drain(p);

        // The design-like document with a few bytes changed.
        std::string mutated = kDesignLike;
        for (int k = 0; k < 3; ++k)
            mutated[rng() % mutated.size()] = alphabet[rng() % alphabet.size()];
        Parser q(mutated);
        q.ParseProlog();
        Drain(q);
    }
}

TEST(XmlParserRobust, UnterminatedConstructs)
{
    for (const char* t : {"<Design><Title>abc", "<Design><![CDATA[abc", "<Design><Title",
                          "<Design><!--", "<Design><!DOCTYPE [", "<Design></", "<Design><Title/",
                          "<Design><Extra>", "<Design>\xFF\xFE<", "<<<<>>>>", "<//>", "<?", "]]>"}) {
        Parser p(t);
        p.ParseProlog();
        const int calls = Drain(p);
        EXPECT_LT(calls, 20) << t;
    }
}

// A tag with a NUL byte inside is an unknown tag like any other: reading moves past it.
TEST(XmlReadLoopProgress, TagsWithNulBytesAreSteppedOver)
{
    kalidor::CXmlParser p;
    p.AddElement("<Root>", 1);
    p.AddElement("</Root>", 2);
    p.AddElement("<Title>", 3);
    p.AddElement("</Title>", 4);
    const std::string text("<Root><Tit\0e>x</Title><Title>y</Title></Root>", 45);
    p.SetText(text);
    ASSERT_NE(p.NextElement(), nullptr);
    kalidor::CXmlReadLoop loop(p, "</Root>");
    int titles = 0, steps = 0;
    while (kalidor::CXmlElement* e = loop.Next()) {
        ASSERT_LT(++steps, 20);
        if (e->GetCode() == 3) {
            p.ReadElementText();
            EXPECT_EQ(p.GetText(), "y");
            ++titles;
        }
    }
    EXPECT_EQ(titles, 1);
    EXPECT_TRUE(loop.EndedAtOwnTag());
}
