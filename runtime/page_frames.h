#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glimmer {

// How the page reader tells the program about the documents it completes: on its standard
// output, one frame per document, "D <length>\n" followed by the document's visible text as
// <length> bytes of UTF-8.
inline constexpr qsizetype max_document_bytes = 256 * 1024;

inline QByteArray document_frame(const QString& visible_text) {
    const QByteArray text = visible_text.toUtf8();
    return "D " + QByteArray::number(text.size()) + '\n' + text;
}

// Takes the reader's output as it arrives and hands back the documents it completes. The
// first thing that is not a well-formed frame breaks the reader for good: nothing it writes
// afterwards is taken.
class DocumentFrameReader {
public:
    QStringList take(const QByteArray& output);
    bool broken() const { return broken_; }

private:
    QByteArray pending_;
    bool broken_ = false;
};

} // namespace glimmer
