#pragma once

#include <QLatin1StringView>
#include <QList>

#include <utility>
#include <vector>

namespace web::encoding {

// One of the Encoding Standard's indexes (data/index-NAME.txt), laid out for
// decoding: the code point of each pointer, 0 where the index has none (no
// index maps a pointer to U+0000).
class Index {
public:
    explicit Index(std::vector<char32_t> codePoints)
        : codePoints_(std::move(codePoints))
    {
    }

    char32_t at(unsigned pointer) const
    {
        return pointer < codePoints_.size() ? codePoints_[pointer] : 0;
    }
    const char32_t* data() const { return codePoints_.data(); }
    std::size_t size() const { return codePoints_.size(); }

private:
    std::vector<char32_t> codePoints_;
};

// The index of that name ("gb18030", "jis0208", "windows-1252", ...), read
// from the program's resources the first time it is asked for and kept for
// the rest of the run. Safe to call from several threads at once.
const Index& IndexNamed(QLatin1StringView name);

// The index's entries as the file lists them: pointer and code point, in the
// file's order. For the gb18030 ranges, which are not looked up by pointer.
const QList<std::pair<unsigned, char32_t>>& IndexEntries(QLatin1StringView name);

} // namespace web::encoding
