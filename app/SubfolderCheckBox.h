#pragma once

#include <QCheckBox>

// "Search in subfolders also", whose value is 0 unticked, 1 ticked or 2
// greyed. A click never greys it; only a restored value does.
class SubfolderCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit SubfolderCheckBox(QWidget* parent = nullptr);

    int value() const;
    void setValue(int value);

protected:
    void nextCheckState() override;
};
