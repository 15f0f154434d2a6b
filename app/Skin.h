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
    // Option bits.
    enum Option : int {
        Active = 0x1, // apply() skins the window only with this bit set
    };

    // Reads the style sheet. Throws Failure when the file cannot be read or
    // is not UTF-8 text.
    void load(const QString& path);
    bool isLoaded() const { return sheet_.has_value(); }

    int options() const { return options_; }
    void setOptions(int options) { options_ = options; }

    // The skin may restyle the window's controls but neither move nor resize
    // them, nor the window.
    void setKeepsLayout(bool keeps) { keepsLayout_ = keeps; }
    // The sheet also draws the window's own background (gradients, images,
    // borders), not just its colour.
    void setStyledBackground(bool styled) { styledBackground_ = styled; }

    // Sets the loaded sheet on the window when the Active bit is set.
    void apply(QWidget& window) const;

private:
    std::optional<QString> sheet_;
    int options_ = 0;
    bool keepsLayout_ = false;
    bool styledBackground_ = false;
};
