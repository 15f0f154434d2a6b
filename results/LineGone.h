#pragma once

#include "common/Failure.h"

// Long work on the list yields to the event loop, where a line can be
// removed; reading it afterwards fails with this.
inline Failure lineGoneFailure()
{
    return Failure(QStringLiteral("Index out of bounds"));
}
