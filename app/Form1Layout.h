#pragma once

#include "app/Form1.h"

#include <array>
#include <variant>

// The controls of the main window in creation order, each with the member
// that keeps it, and its geometry in twips inside its container. The slot's
// type says what kind of control it is. The non-visual dialog and skin
// components are not widgets and are not listed.
using ControlSlot = std::variant<QPushButton * Form1::*, QTableView * Form1::*, QGroupBox * Form1::*,
                                 QLineEdit * Form1::*, QCheckBox * Form1::*, QRadioButton * Form1::*>;

// The frame a control sits in: nullptr for the window's client area. (Named, as formatters of
// different versions space a bare member pointer differently.)
using ContainerSlot = QGroupBox* Form1::*;

struct ControlPlacement {
    const char* name;
    ControlSlot slot;
    const char* caption;
    ContainerSlot container;
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

inline const std::array<ControlPlacement, 21> Form1Controls{{
    {"PushButton7", &Form1::PushButton7, "Help", nullptr, 120, 120, 3840, 405, 19},
    {"ListView1", &Form1::ListView1, "", nullptr, 120, 630, 7800, 1695, 0},
    {"Frame3", &Form1::Frame3, "Search For Files", nullptr, 120, 2850, 7800, 780, 16},
    {"Text1", &Form1::Text1, "Text1", &Form1::Frame3, 240, 300, 7320, 330, 17},
    {"Frame2", &Form1::Frame2, "Search Option", nullptr, 120, 3675, 7800, 700, 14},
    {"Check5", &Form1::Check5, "Search in subfolders also", &Form1::Frame2, 240, 300, 2535, 255, 15},
    {"Frame1", &Form1::Frame1, "What To Put In Results", nullptr, 120, 4440, 7800, 1740, 8},
    {"Option4", &Form1::Option4, "Just Subfolder", &Form1::Frame1, 240, 1350, 1695, 255, 12},
    {"Option3", &Form1::Option3, "Just Path", &Form1::Frame1, 240, 1000, 1215, 255, 11},
    {"Option2", &Form1::Option2, "Just Filename", &Form1::Frame1, 240, 650, 1575, 255, 10},
    {"Option1", &Form1::Option1, "Path and Filename", &Form1::Frame1, 240, 300, 2055, 255, 9},
    {"ListView2", &Form1::ListView2, "", nullptr, 120, 6795, 7800, 1815, 1},
    {"PushButton3", &Form1::PushButton3, "Add Folder to Search", nullptr, 120, 2400, 7800, 405, 2},
    {"PushButton1", &Form1::PushButton1, "Start Searching", nullptr, 120, 6300, 7800, 405, 3},
    {"PushButton2", &Form1::PushButton2, "Save Results As Text File", nullptr, 120, 8700, 3840, 405, 4},
    {"PushButton6", &Form1::PushButton6, "Clear Results", nullptr, 120, 9720, 3840, 405, 5},
    {"PushButton17", &Form1::PushButton17, "Remove Results Containing X", nullptr, 120, 9210, 3840, 405, 6},
    {"PushButton11", &Form1::PushButton11, "Remove Results Not Cont. X", nullptr, 4080, 9210, 3840, 405, 7},
    {"PushButton4", &Form1::PushButton4, "Copy Results To Clipboard", nullptr, 4080, 8700, 3840, 405, 13},
    {"PushButton5", &Form1::PushButton5, "Search For Text Inside Files", nullptr, 4080, 9720, 3840, 405, 18},
    {"PushButton8", &Form1::PushButton8, "Load Sample/Example Folder", nullptr, 4080, 120, 3840, 405, 20},
}};

inline constexpr const char* ListToolTip =
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.";
