#pragma once

#include <QString>

#include <optional>

class QWidget;

// True when the skin file is an ordinary file: a folder or a device of that
// name does not switch the skin on.
bool skinFileIsPresent(const QString& path);

// Gives the window, and each option button, check box, group frame and label
// on it, the button face of the application palette as background. Text
// boxes, lists and push buttons keep their colours.
void recolourForSkin(QWidget& window);

// The skin engine: a Qt style sheet, read from a file and set on a window.
class SkinEngine {
public:
    // Reads the style sheet. Throws Failure when the file cannot be read or
    // is not UTF-8 text.
    void load(const QString& path);
    bool isLoaded() const { return sheet_.has_value(); }

    // Sets the loaded sheet on the window. The sheet may restyle the controls
    // and draw the window's own background, but neither move nor resize them,
    // nor the window.
    void apply(QWidget& window) const;

    // The optional skin file: when it is present, the window is recoloured,
    // and the file loaded and applied. Throws as load() does.
    void skinIfPresent(QWidget& window, const QString& path);

private:
    std::optional<QString> sheet_;
};
