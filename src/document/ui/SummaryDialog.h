// "Summary Information": the file name and device type of a design with its five summary
// strings (Title, Author, Subject, Keywords, Comments) to edit.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "document/SummaryInfo.h"

namespace kalidor {

class CSummaryDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Summary Information";

    CSummaryDialog(QWidget* parent, const QString& fileName, const QString& deviceType,
                   const CSummaryInfo& summary);
    // The five strings as entered (the document's setters strip '<' and '>' when storing).
    CSummaryInfo Summary() const;

    QLineEdit* TitleEdit() const { return m_title; }
    QLineEdit* AuthorEdit() const { return m_author; }
    QLineEdit* SubjectEdit() const { return m_subject; }
    QLineEdit* KeywordsEdit() const { return m_keywords; }
    QPlainTextEdit* CommentsEdit() const { return m_comments; }

private:
    QLineEdit* m_title;
    QLineEdit* m_author;
    QLineEdit* m_subject;
    QLineEdit* m_keywords;
    QPlainTextEdit* m_comments;
};

}  // namespace kalidor
