#include "page_frames.h"

#include <QStringDecoder>

namespace glimmer {

namespace {
// "D " and the length of the largest frame.
constexpr qsizetype max_header_bytes = 2 + 6;

// The length in a header, or -1 when the header is not one.
qsizetype frame_length(QByteArrayView header) {
    if (header.size() < 3 || header.size() > max_header_bytes || !header.startsWith("D ")) {
        return -1;
    }
    qsizetype length = 0;
    for (const char digit : header.sliced(2)) {
        if (digit < '0' || digit > '9') {
            return -1;
        }
        length = length * 10 + (digit - '0');
    }
    return length <= max_document_bytes ? length : -1;
}
} // namespace

QStringList DocumentFrameReader::take(const QByteArray& output) {
    QStringList documents;
    if (broken_) {
        return documents;
    }
    pending_ += output;
    while (!pending_.isEmpty()) {
        const qsizetype end_of_header = pending_.indexOf('\n');
        if (end_of_header < 0) {
            // Not even the start of a header, or one that has grown too long already.
            broken_ = pending_[0] != 'D' || pending_.size() > max_header_bytes;
            break;
        }
        const qsizetype length = frame_length(QByteArrayView(pending_).first(end_of_header));
        if (length < 0) {
            broken_ = true;
            break;
        }
        if (pending_.size() - end_of_header - 1 < length) {
            break; // the rest of the text is still on its way
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(QByteArrayView(pending_).sliced(end_of_header + 1, length));
        if (utf8.hasError()) {
            broken_ = true;
            break;
        }
        documents.append(std::move(text));
        pending_.remove(0, end_of_header + 1 + length);
    }
    if (broken_) {
        pending_.clear();
    }
    return documents;
}

} // namespace glimmer
