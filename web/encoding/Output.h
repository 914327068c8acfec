#pragma once

#include <QString>

namespace web::encoding {

// The text a decoder writes, in UTF-16. Sized for one unit per byte, which
// every decoder stays within (a byte sequence never makes more UTF-16 units
// than it has bytes); should one not, it grows rather than writes past.
class Output {
public:
    explicit Output(qsizetype bytes)
        : text_(bytes, Qt::Uninitialized)
    {
        at_ = begin();
        end_ = at_ + text_.size();
    }

    void unit(char16_t u)
    {
        if (at_ == end_) [[unlikely]]
            grow();
        *at_++ = u;
    }

    void codePoint(char32_t c)
    {
        if (c < 0x10000) {
            unit(char16_t(c));
        } else {
            unit(char16_t(0xD7C0 + (c >> 10)));
            unit(char16_t(0xDC00 + (c & 0x3FF)));
        }
    }

    void replacement() { unit(u'\uFFFD'); }

    // A run of ASCII bytes, each its own code point: the bulk of most pages,
    // so widened in one loop the compiler can vectorise.
    void ascii(const uchar* bytes, qsizetype count)
    {
        while (end_ - at_ < count)
            grow();
        for (qsizetype i = 0; i < count; ++i)
            at_[i] = bytes[i];
        at_ += count;
    }

    QString take()
    {
        text_.truncate(at_ - begin());
        return std::move(text_);
    }

private:
    char16_t* begin() { return reinterpret_cast<char16_t*>(text_.data()); }

    void grow()
    {
        const qsizetype written = at_ - begin();
        text_.resize(std::max<qsizetype>(16, text_.size() * 2));
        at_ = begin() + written;
        end_ = begin() + text_.size();
    }

    QString text_;
    char16_t* at_ = nullptr;
    char16_t* end_ = nullptr;
};

} // namespace web::encoding
