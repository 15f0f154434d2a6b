#include "common/Failure.h"
#include "fuzz/FuzzCheck.h"
#include "text/Paths.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// The name, or nothing when the call reported a failure. Any other exception escapes: a crash.
template <typename Text>
std::optional<Text> parentFolderName(const Text& path, char separator)
{
    try {
        return ParentFolderName(path, separator);
    } catch (const Failure& failure) {
        require(!failure.description().isEmpty(), "a failure says what failed");
        return std::nullopt;
    }
}

void checkStyle(const QByteArray& path, char separator)
{
    const std::optional<QByteArray> name = parentFolderName(path, separator);
    const qsizetype last = path.lastIndexOf(separator);
    require(name.has_value() == (last >= 0), "fails exactly when there is no separator");

    const std::optional<QString> text = parentFolderName(QString::fromLatin1(path), separator);
    require(text.has_value() == name.has_value(), "the text and byte forms fail alike");
    if (!name)
        return;
    require(*text == QString::fromLatin1(*name), "the text and byte forms agree");

    // The name is what stands before the last separator, back to the one before it or the start.
    require(!name->contains(separator), "the name holds no separator");
    const qsizetype start = last - name->size();
    require(path.mid(start, name->size()) == *name, "the name ends at the last separator");
    require(start == 0 || path.at(start - 1) == separator, "the name starts after a separator or at the start");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray path(reinterpret_cast<const char*>(data), qsizetype(size));
    checkStyle(path, NativeSeparator);
    checkStyle(path, BackslashSeparator);
    return 0;
}
