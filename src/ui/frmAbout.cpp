#include "ui/frmAbout.h"

#include "app/ProgramConstants.h"

namespace hoverdeck {

frmAbout::frmAbout(Shell& shell)
    : Label1("List #1: add substrings of windows captions you want to stay topmost"),
      Label2("List #2: add substrings of windows captions you want to disable X close box"),
      Label6("Minimize the main window in System Tray"),
      Label4("Restore the main window: double click or right click on the icon in System Tray"),
      Label5("To run completely invisible, use the following command line: Hoverdeck -i"),
      Label3("[must check menu Configuration / Start minimized in System Tray]"),
      Label7(
          "To end a second instance of Hoverdeck without message, use the following command "
          "line: Hoverdeck -s"),
      lblLink(kMakerAddress),
      cmdOK("&OK"),
      shell_(shell) {}

void frmAbout::Form_Load() {
  std::string credit(kProgramName);
  credit += " ";
  credit += kProgramVersion;
  credit += ": automatically set topmost windows && disable X close button";
  lblCredit.SetCaption(credit);
  lblCredit.SetCaption(lblCredit.Caption() + "\r\n" + std::string(kMakerLine));
  loaded_ = true;
}

void frmAbout::cmdOK_Click() { loaded_ = false; }

void frmAbout::lblLink_Click() { shell_.Open(lblLink.Caption()); }

}  // namespace hoverdeck
