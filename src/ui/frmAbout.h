// The about box: name, version, purpose, short instructions and the maker's link.
#pragma once

#include <string_view>

#include "ui/Controls.h"
#include "ui/Shell.h"

namespace hoverdeck {

inline constexpr std::string_view kAboutTitle = "About / Help...";
inline constexpr std::string_view kMakerLine = "Made by the Hoverdeck developers, 2026";
inline constexpr std::string_view kMakerAddress = "https://hoverdeck.example.org/";

class frmAbout {
 public:
  explicit frmAbout(Shell& shell);

  bool Loaded() const { return loaded_; }
  const std::string& Caption() const { return caption_; }

  // Builds the credit afresh; the box is then loaded.
  void Form_Load();
  // Unloads the box.
  void cmdOK_Click();
  // Opens the maker's page; a failure says nothing.
  void lblLink_Click();

  Label lblCredit;
  Label Label1;
  Label Label2;
  Label Label6;
  Label Label4;
  Label Label5;
  Label Label3;
  Label Label7;
  Label lblLink;
  Label cmdOK;

 private:
  Shell& shell_;
  std::string caption_{kAboutTitle};
  bool loaded_ = false;
};

}  // namespace hoverdeck
