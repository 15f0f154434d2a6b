#pragma once

#include "io/Lookup.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <memory>

class Desktop;
class QObject;

// "Open Containing Folder" for one line. Whether the line is the absolute
// path of an existing file or folder (a link counting as itself) is looked up
// on the I/O threads as soon as this is made, so a menu offering it opens at once.
class ContainingFolder {
public:
    explicit ContainingFolder(QByteArrayView line, const LookupOptions& lookup = itemLookup());

    // Whether the command is offered: until the lookup has answered, it is
    // for a line that may name an item. Never waits.
    bool offered();
    // Runs `then` on the context's thread once the lookup has answered (at
    // once for a line that names no item); never once this is gone.
    void whenSettled(QObject* context, std::function<void()> then);
    // Shows the line's file or folder selected in the file manager, waiting
    // for the lookup with the window yielding if need be; nothing for a line
    // that names none or whose mount does not answer.
    void open(Desktop& desktop);

private:
    QByteArray line_;
    std::unique_ptr<Lookup> lookup_; // none for a line that cannot name an item
};
