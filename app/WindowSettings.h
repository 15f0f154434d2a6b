#pragma once

#include <QObject>
#include <QString>

#include <QList>

class QLineEdit;
class QRadioButton;
class SettingsStore;
class StepTrap;
class SubfolderCheckBox;

// Which setting keeps each choice of the window: Check5 the subfolder box,
// Text1 the phrase, Option the result form chosen among the option buttons,
// each written the moment it changes (a restored value too); and LastFolder,
// where the folder picker opens.
class WindowSettings : public QObject {
    Q_OBJECT
public:
    WindowSettings(SettingsStore& store, SubfolderCheckBox& check5, QLineEdit& text1,
                   const QList<QRadioButton*>& options, QObject* parent);

    // Steps 136 to 154 of the load: the choices restored from the store.
    void restore(StepTrap& trap);

    QString lastFolder() const;
    void setLastFolder(const QString& folder);

private:
    void Check5_Click();
    void Text1_Change();
    // Option1_Click to Option4_Click: an option's click is its selection.
    void Option_Click(int number);

    SettingsStore& store_;
    SubfolderCheckBox& check5_;
    QLineEdit& text1_;
    QList<QRadioButton*> options_;
};
