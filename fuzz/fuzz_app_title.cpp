#include "app/AppTitle.h"
#include "common/Failure.h"
#include "fuzz/FuzzCheck.h"

#include <QLatin1Char>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString productName = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    constexpr qsizetype MaxLength = 40;
    // Cutting at spaces from the end until 40 remain stops at the last space within the first 41
    // characters; without one there is nowhere to cut.
    const qsizetype cut = productName.left(MaxLength + 1).lastIndexOf(QLatin1Char(' '));
    QString title;
    try {
        title = deriveAppTitle(productName);
    } catch (const Failure& failure) {
        require(cut < 0, "fails only when no space stands within the first 41 characters");
        require(!failure.description().isEmpty(), "a failure says what failed");
        return 0;
    }
    require(cut >= 0, "a space within the first 41 characters gives a title");
    require(title.size() <= MaxLength, "the title has at most 40 characters");
    require(title == productName.left(cut), "the title is the name up to the last space within reach");
    return 0;
}
