#pragma once

#include <array>

// The controls of the main window in creation order, with their geometry in
// twips inside their container. The non-visual dialog and skin components
// are not widgets and are not listed.
enum class ControlKind { PushButton, ListView, Frame, TextBox, CheckBox, OptionButton };

struct ControlPlacement {
    const char* name;
    ControlKind kind;
    const char* caption;
    const char* container; // nullptr: the window's client area
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
};

inline constexpr int TwipsPerPixel = 15;
inline constexpr int ClientWidthTwips = 8040;
inline constexpr int ClientHeightTwips = 10230;
inline constexpr int ListColumnWidthTwips = 7000;

inline constexpr int twipsToPixels(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

inline constexpr std::array<ControlPlacement, 21> Form1Controls{{
    {"PushButton7", ControlKind::PushButton, "Help", nullptr, 120, 120, 3840, 405, 19},
    {"ListView1", ControlKind::ListView, "", nullptr, 120, 630, 7800, 1695, 0},
    {"Frame3", ControlKind::Frame, "Search For Files", nullptr, 120, 2850, 7800, 780, 16},
    {"Text1", ControlKind::TextBox, "Text1", "Frame3", 240, 300, 7320, 330, 17},
    {"Frame2", ControlKind::Frame, "Search Option", nullptr, 120, 3675, 7800, 700, 14},
    {"Check5", ControlKind::CheckBox, "Search in subfolders also", "Frame2", 240, 300, 2535, 255, 15},
    {"Frame1", ControlKind::Frame, "What To Put In Results", nullptr, 120, 4440, 7800, 1740, 8},
    {"Option4", ControlKind::OptionButton, "Just Subfolder", "Frame1", 240, 1350, 1695, 255, 12},
    {"Option3", ControlKind::OptionButton, "Just Path", "Frame1", 240, 1000, 1215, 255, 11},
    {"Option2", ControlKind::OptionButton, "Just Filename", "Frame1", 240, 650, 1575, 255, 10},
    {"Option1", ControlKind::OptionButton, "Path and Filename", "Frame1", 240, 300, 2055, 255, 9},
    {"ListView2", ControlKind::ListView, "", nullptr, 120, 6795, 7800, 1815, 1},
    {"PushButton3", ControlKind::PushButton, "Add Folder to Search", nullptr, 120, 2400, 7800, 405, 2},
    {"PushButton1", ControlKind::PushButton, "Start Searching", nullptr, 120, 6300, 7800, 405, 3},
    {"PushButton2", ControlKind::PushButton, "Save Results As Text File", nullptr, 120, 8700, 3840, 405, 4},
    {"PushButton6", ControlKind::PushButton, "Clear Results", nullptr, 120, 9720, 3840, 405, 5},
    {"PushButton17", ControlKind::PushButton, "Remove Results Containing X", nullptr, 120, 9210, 3840, 405, 6},
    {"PushButton11", ControlKind::PushButton, "Remove Results Not Cont. X", nullptr, 4080, 9210, 3840, 405, 7},
    {"PushButton4", ControlKind::PushButton, "Copy Results To Clipboard", nullptr, 4080, 8700, 3840, 405, 13},
    {"PushButton5", ControlKind::PushButton, "Search For Text Inside Files", nullptr, 4080, 9720, 3840, 405, 18},
    {"PushButton8", ControlKind::PushButton, "Load Sample/Example Folder", nullptr, 4080, 120, 3840, 405, 20},
}};

inline constexpr const char* ListToolTip =
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.";
