#pragma once

#include <functional>

class QItemSelectionModel;

// The Delete key and the double-click of both lists: the selected row goes,
// unless the window shows the busy pointer. Without a selection nothing
// happens.
void removeSelectedRow(const QItemSelectionModel* selection, bool windowBusy,
                       const std::function<void(int)>& removeRow);
