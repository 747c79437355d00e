#include "files/linereader.h"

#include "text/utf8.h"

LineReader::LineReader(const char* path)
    : source_(path), file_(source_.packfile())
{
    if (!file_)
        return;
    // A file saved as UTF-16 is refused whole: read byte by byte, as every
    // other file is, each of its characters would come out as others.
    char head[256];
    const long got = pack_fread(head, sizeof head, file_);
    pack_fclose(file_);
    file_ = nullptr;
    if (got > 0 && looksLikeUtf16(std::string_view(head, static_cast<std::size_t>(got)))) {
        utf16_ = true;
        return;
    }
    file_ = source_.packfile();
    if (!file_)
        return;
    // Skip a UTF-8 byte-order mark; anything else is put back untouched.
    static const int bom[3] = {0xEF, 0xBB, 0xBF};
    int matched = 0;
    while (matched < 3) {
        const int c = pack_getc(file_);
        if (c != bom[matched]) {
            // A partial mark cannot be put back whole: reopen and start over.
            if (matched > 0 || c == EOF) {
                pack_fclose(file_);
                file_ = source_.packfile();
            } else {
                pack_ungetc(c, file_);
            }
            return;
        }
        ++matched;
    }
}

std::optional<Problem> LineReader::problem() const
{
    if (utf16_)
        return Problem{ProblemKind::Unsupported, source_.path(),
                       "is saved as UTF-16, which the player does not read: save it as UTF-8"};
    if (source_.problem() || file_)
        return source_.problem();
    return Problem{ProblemKind::Unreadable, source_.path(),
                   "cannot be loaded: it cannot be read"};
}

LineReader::~LineReader()
{
    if (file_)
        pack_fclose(file_);
}

bool LineReader::next(std::string& line)
{
    line.clear();
    if (!file_)
        return false;
    int c = pack_getc(file_);
    if (c == EOF)
        return false;
    bytes_.clear();
    lastLineLength_ = 0;
    bool semicolonPast = false; // a ';' in what is not kept
    for (; c != EOF; c = pack_getc(file_)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            const int after = pack_getc(file_);
            if (after != '\n' && after != EOF)
                pack_ungetc(after, file_);
            break;
        }
        if (c == 0)
            continue;
        ++lastLineLength_;
        if (bytes_.size() < LINE_KEPT_BYTES)
            bytes_.push_back(static_cast<char>(c));
        else if (c == ';')
            semicolonPast = true;
    }
    if (lastLineLength_ > static_cast<long long>(bytes_.size())) {
        // Cut at a whole character: a sequence the cut split is dropped.
        std::size_t lead = bytes_.size();
        while (lead > 0 && bytes_.size() - lead < 4 && isUtf8Continuation(bytes_[lead - 1]))
            --lead;
        if (lead > 0 && static_cast<unsigned char>(bytes_[lead - 1]) >= 0xC0
            && utf8SequenceLength(std::string_view(bytes_).substr(lead - 1)) == 0)
            bytes_.erase(lead - 1);
        if (semicolonPast && bytes_.find(';') == std::string::npos)
            bytes_.push_back(';');
    }
    lastLineWasUtf8_ = isValidUtf8(bytes_);
    std::string replaced;
    if (!lastLineWasUtf8_)
        replaced = replaceInvalidUtf8(bytes_);
    const std::string& bytes = lastLineWasUtf8_ ? bytes_ : replaced;
    // One character of the UTF-8 format per byte of the file.
    line.reserve(bytes.size());
    for (const char byte : bytes) {
        const unsigned char b = static_cast<unsigned char>(byte);
        if (b < 0x80) {
            line.push_back(byte);
        } else {
            line.push_back(static_cast<char>(0xC0 | (b >> 6)));
            line.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return true;
}
