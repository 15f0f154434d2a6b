#pragma once

#include <QString>

#include <stdexcept>

// A failed step: carries the one-line description the error box shows.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description)
    {
    }

    const QString& description() const { return description_; }

    // "Permission denied: /srv/list.txt" from the errno of a failed call.
    static Failure fromErrno(int error, const QString& path);

private:
    QString description_;
};
