#pragma once

#include "app/ReportView.h"

// The result list's view, with hover selection: the line under the resting
// pointer becomes the selected one, so the highlight follows the pointer and
// the Delete key acts on that line.
class ResultListView : public ReportView {
    Q_OBJECT
public:
    explicit ResultListView(QWidget* parent = nullptr);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};
