#include "folders/ListRemoval.h"

#include <QItemSelectionModel>

void removeSelectedRow(const QItemSelectionModel* selection, bool windowBusy, const std::function<void(int)>& removeRow)
{
    if (windowBusy || selection == nullptr)
        return;
    const QModelIndexList selected = selection->selectedRows();
    if (!selected.isEmpty())
        removeRow(selected.constFirst().row());
}
