// Every text that the main window and its dialogs show, in one place.
#pragma once

#include <string_view>

#include "Version.h"

namespace hoverdeck::texts {

// Labels, frames, buttons and check boxes.
inline constexpr std::string_view kLblLblProgName = "Program Name";
inline constexpr std::string_view kLabel1 = "Current non topmost windows";
inline constexpr std::string_view kLabel2 = "Current topmost windows";
inline constexpr std::string_view kLabel5 = "Set topmost:";
inline constexpr std::string_view kLabel3 = "double click or right click non topmost window";
inline constexpr std::string_view kLabel7 = "Disable X button:";
inline constexpr std::string_view kLabel8 = "right click non topmost window";
inline constexpr std::string_view kLabel6 = "Set non topmost:";
inline constexpr std::string_view kLabel4 = "double click or right click topmost window";
inline constexpr std::string_view kLabel9 = "Enable X button:";
inline constexpr std::string_view kLabel10 = "right click non topmost window";
inline constexpr std::string_view kCmdRefresh = "Refresh";
inline constexpr std::string_view kFrame1 =
    "1- Set topmost all windows with captions containing one of the following checked strings "
    "(when Hoverdeck is minimized)";
inline constexpr std::string_view kFrame2 =
    "2 - Disable X button for all windows with captions containing one of the following checked "
    "strings (when Hoverdeck is minimized)";
inline constexpr std::string_view kCmdAjouter = "Add";
inline constexpr std::string_view kCmdModifier = "Modify";
inline constexpr std::string_view kCmdSupprimer = "Remove";
inline constexpr std::string_view kChkAllTopMost =
    "Set topmost all visible windows when HVD is minimized";
inline constexpr std::string_view kChkAllDisableX =
    "Disable X button for all visible windows when HVD minimized";
inline constexpr std::string_view kUpdateEveryPrefix = "Update every ";
inline constexpr std::string_view kUpdateEverySuffix = " ms";
inline constexpr std::string_view kNoUpdate = "No update (idle)";

// Menus.
inline constexpr std::string_view kMnuFichier = "&File";
inline constexpr std::string_view kMnuSet = "&Restore";
inline constexpr std::string_view kMnuQuitter = "&Exit";
inline constexpr std::string_view kMnuConfiguration = "&Configuration";
inline constexpr std::string_view kMnuConstTopMost = "Select a string &marker on topmost Windows";
inline constexpr std::string_view kMnuConstTopMostWith =
    "Select a string &marker on topmost Windows = ";
inline constexpr std::string_view kMnuTopMostCaption = "&Use topmost marker on topmost Windows";
inline constexpr std::string_view kMnuMinimized = "Start minimized in &System Tray (near clock)";
inline constexpr std::string_view kMnuHotkey = "&Hotkey for the active window…";
inline constexpr std::string_view kMnuHelp = "&?";
inline constexpr std::string_view kMnuAPropos = "&About / Help ...";
inline constexpr std::string_view kMnuAProposShortcut = "F1";
inline constexpr std::string_view kMnuSetTopmost = "Set topmost";
inline constexpr std::string_view kMnuSetAllTopmost = "Set all windows topmost";
inline constexpr std::string_view kMnuDisableX = "Disable/Enable X button (top right corner)";
inline constexpr std::string_view kMnuSetNonTopmost = "Set non topmost";
inline constexpr std::string_view kMnuSetAllNonTopmost = "Set all windows non topmost";

// Message and input boxes.
inline constexpr std::string_view kProgramAlreadyRunning = "Program already running";
inline constexpr std::string_view kQuitQuestion = "Do you really want to quit Hoverdeck ?";
inline constexpr std::string_view kStringAlreadyInTheList = "String already in the list";
inline constexpr std::string_view kStringAlreadyInList = "String already in list";
inline constexpr std::string_view kSelectStringToModify = "Select string to modify";
inline constexpr std::string_view kSelectStringToRemove = "Select a string to remove";
inline constexpr std::string_view kRemoveStringPrefix = "Remove string '";
inline constexpr std::string_view kCatalogueFull =
    "The list already holds 100 strings, the most it can hold. Remove a string before adding "
    "another.";
// After start-up, for a catalogue section holding more strings than a catalogue takes:
// "The list <section> of <file> holds <n> strings; Hoverdeck uses the first <kept>." and then
// where the complete list is.
inline constexpr std::string_view kCutListPrefix = "The list ";
inline constexpr std::string_view kCutListOf = " of ";
inline constexpr std::string_view kCutListHolds = " holds ";
inline constexpr std::string_view kCutListUses = " strings; Hoverdeck uses the first ";
inline constexpr std::string_view kCutListBackedUp = ".\r\nThe complete file was kept as ";
inline constexpr std::string_view kCutListNotBackedUp =
    ".\r\nThe file keeps all of them until this list is changed: no copy could be made as ";
// A change to a window that did not take: "'<caption>" and what was tried, then the reason.
inline constexpr std::string_view kCouldNotMakeTopmost = "' could not be made topmost: ";
inline constexpr std::string_view kCouldNotMakeNonTopmost = "' could not be made non topmost: ";
inline constexpr std::string_view kCouldNotDisableXPrefix = "The X close box of '";
inline constexpr std::string_view kCouldNotDisableX = "' could not be disabled: ";
inline constexpr std::string_view kClosedOrRefused = "the window has closed or does not allow it.";
inline constexpr std::string_view kNotResponding =
    "its program is not responding. Try again once it responds.";
// A switch handed on to a program that does not answer, after "'<caption>".
inline constexpr std::string_view kTopmostOnceItResponds =
    "' will be made topmost once its program responds; it is not responding now.";
inline constexpr std::string_view kNonTopmostOnceItResponds =
    "' will be made non topmost once its program responds; it is not responding now.";
inline constexpr std::string_view kHigherRights =
    "its program runs as administrator, with higher rights than Hoverdeck. To change its "
    "windows, start Hoverdeck as administrator.";
// Once at start-up on a Wayland desktop without KWin.
// A change the settings file did not take (read-only, locked, no right to it, a full disk).
inline constexpr std::string_view kNotWrittenPrefix = "Hoverdeck could not write its settings to ";
inline constexpr std::string_view kNotWrittenSuffix =
    ". The file may be read-only or in use, or the disk full. Your changes hold until Hoverdeck "
    "ends; this is told once.";
inline constexpr std::string_view kXWaylandOnly =
    "On this Wayland desktop Hoverdeck sees and changes only the windows of programs that run "
    "through XWayland. Windows of native Wayland programs are not listed and cannot be changed.";
// Instead of kXWaylandOnly on a GNOME desktop, when the reason is one the user can act on.
inline constexpr std::string_view kGnomeLoginNeeded =
    "Hoverdeck has put its extension into GNOME Shell, which starts it at your next login. Until "
    "you log out and back in, Hoverdeck sees and changes only the windows of programs that run "
    "through XWayland.";
inline constexpr std::string_view kGnomeExtensionOff =
    "Hoverdeck's GNOME Shell extension is turned off, so Hoverdeck sees and changes only the "
    "windows of programs that run through XWayland. To reach every window, turn \"Hoverdeck\" on "
    "in the Extensions app (or run: gnome-extensions enable hoverdeck@example.org).";
inline constexpr std::string_view kGnomeUserExtensionsOff =
    "GNOME Shell runs no user extensions (they are switched off as a whole), so Hoverdeck sees "
    "and changes only the windows of programs that run through XWayland. To reach every window, "
    "switch extensions on in the Extensions app.";
// The hotkey for the active window: the tray's notice after a press ("'<caption>' is now
// topmost", kTopmostOfferTail, or the one below), and what start-up tells of a combination it
// could not hold: "The hotkey <combination>" and why, then where to choose another.
inline constexpr std::string_view kNoLongerTopmost = "' is no longer topmost";
inline constexpr std::string_view kHotkeyPrefix = "The hotkey ";
inline constexpr std::string_view kHotkeyTaken =
    " is already in use by another program or by the desktop";
inline constexpr std::string_view kHotkeyUnavailable = " cannot be used on this desktop";
inline constexpr std::string_view kHotkeyUnread = " names no key combination Hoverdeck can use";
inline constexpr std::string_view kHotkeyChooseAnother =
    ", so Hoverdeck runs without it. Choose another with Configuration > Hotkey for the active "
    "window.\r\n";
inline constexpr std::string_view kEditTitle = "Hoverdeck " HOVERDECK_VERSION_NAME;
inline constexpr std::string_view kOfferTitle = "Hoverdeck";
inline constexpr std::string_view kTopmostCataloguePrompt =
    "Caption containing the following string is topmost when Hoverdeck is running minimized";
inline constexpr std::string_view kDisableXCataloguePrompt =
    "Caption containing the following string has X close button disabled when Hoverdeck is "
    "running minimized";
inline constexpr std::string_view kTopmostOfferTail = "' is now topmost";
inline constexpr std::string_view kTopmostOfferQuestion = "Always set topmost captions containing";
inline constexpr std::string_view kDisableXOfferTail = "' X close box now disabled";
inline constexpr std::string_view kDisableXOfferQuestion =
    "Always X close box disabled for windows containing";
inline constexpr std::string_view kOfferFollowing = "the following string ?";
inline constexpr std::string_view kOfferWhenMinimized = "[when Hoverdeck is running minimized]";
inline constexpr std::string_view kMarkerPrompt = "Select a string marker on topmost Windows";
inline constexpr std::string_view kMarkerTitle = "Topmost marker";
inline constexpr std::string_view kStringNotChanged = "String not changed";

}  // namespace hoverdeck::texts
