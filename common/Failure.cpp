#include "common/Failure.h"

#include <cstring>

Failure Failure::fromErrno(int error, const QString& path)
{
    return Failure(QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral(": ") + path);
}
