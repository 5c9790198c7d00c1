// The summary information of a design: Title, Author, Subject, Keywords and Comments. The first
// four never hold '<' or '>' (they are written bare into the design file); Comments are kept
// unchanged (they are written inside a CDATA section).
#pragma once

#include <string>

namespace kalidor {

class CSummaryInfo {
public:
    std::string GetTitle() const { return m_title; }
    std::string GetAuthor() const { return m_author; }
    std::string GetSubject() const { return m_subject; }
    std::string GetKeywords() const { return m_keywords; }
    std::string GetComments() const { return m_comments; }

    void SetTitle(const std::string& v) { m_title = StripAngles(v); }
    void SetAuthor(const std::string& v) { m_author = StripAngles(v); }
    void SetSubject(const std::string& v) { m_subject = StripAngles(v); }
    void SetKeywords(const std::string& v) { m_keywords = StripAngles(v); }
    // A comment may not contain "]]>", which would end its CDATA section early; that sequence
    // is broken up as "]] >".
    void SetComments(const std::string& v);

    bool operator==(const CSummaryInfo&) const = default;

    static std::string StripAngles(const std::string& v);

private:
    std::string m_title;
    std::string m_author;
    std::string m_subject;
    std::string m_keywords;
    std::string m_comments;
};

}  // namespace kalidor
