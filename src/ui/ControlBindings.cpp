#include "ui/ControlBindings.h"

namespace hoverdeck {
namespace {

struct LabelEntry {
  std::string_view name;
  Label frmTop::*label;
  void (frmTop::*action)();
};

constexpr LabelEntry kLabels[] = {
    {"lbllblProgName", &frmTop::lbllblProgName, nullptr},
    {"lblProgName", &frmTop::lblProgName, nullptr},
    {"lblUpdate", &frmTop::lblUpdate, nullptr},
    {"Label1", &frmTop::Label1, &frmTop::Label1_MouseMove},
    {"lblNbNonTopmost", &frmTop::lblNbNonTopmost, nullptr},
    {"Label2", &frmTop::Label2, &frmTop::Label2_MouseMove},
    {"lblNbTopmost", &frmTop::lblNbTopmost, nullptr},
    {"Label5", &frmTop::Label5, nullptr},
    {"Label3", &frmTop::Label3, nullptr},
    {"Label7", &frmTop::Label7, nullptr},
    {"Label8", &frmTop::Label8, nullptr},
    {"Label6", &frmTop::Label6, nullptr},
    {"Label4", &frmTop::Label4, nullptr},
    {"Label9", &frmTop::Label9, nullptr},
    {"Label10", &frmTop::Label10, nullptr},
    {"cmdRefresh", &frmTop::cmdRefresh, &frmTop::cmdRefresh_Click},
    {"Frame1", &frmTop::Frame1, &frmTop::Frame1_Click},
    {"cmdAjouter", &frmTop::cmdAjouter, &frmTop::cmdAjouter_Click},
    {"cmdModifier", &frmTop::cmdModifier, &frmTop::cmdModifier_Click},
    {"cmdSupprimer", &frmTop::cmdSupprimer, &frmTop::cmdSupprimer_Click},
    {"Frame2", &frmTop::Frame2, nullptr},
    {"cmdAjouterDisableX", &frmTop::cmdAjouterDisableX, &frmTop::cmdAjouterDisableX_Click},
    {"cmdModifierDisableX", &frmTop::cmdModifierDisableX, &frmTop::cmdModifierDisableX_Click},
    {"cmdSupprimerDisableX", &frmTop::cmdSupprimerDisableX, &frmTop::cmdSupprimerDisableX_Click},
};

}  // namespace

ControlBinding BindingOf(const frmTop& form, std::string_view name) {
  ControlBinding binding;
  for (const auto& entry : kLabels) {
    if (entry.name == name) {
      binding.label = &(form.*entry.label);
      binding.action = entry.action;
      return binding;
    }
  }
  if (name == "lstFenetresNonTopMost") {
    binding.list = {.list = &form.lstFenetresNonTopMost,
                    .click = &frmTop::lstFenetresNonTopMost_Click,
                    .double_click = &frmTop::lstFenetresNonTopMost_DblClick,
                    .mouse_down = &frmTop::lstFenetresNonTopMost_MouseDown,
                    .mouse_move = &frmTop::lstFenetresNonTopMost_MouseMove,
                    .lost_focus = &frmTop::lstFenetresNonTopMost_LostFocus};
  } else if (name == "lstFenetresTopMost") {
    binding.list = {.list = &form.lstFenetresTopMost,
                    .click = &frmTop::lstFenetresTopMost_Click,
                    .double_click = &frmTop::lstFenetresTopMost_DblClick,
                    .mouse_down = &frmTop::lstFenetresTopMost_MouseDown,
                    .mouse_move = &frmTop::lstFenetresTopMost_MouseMove,
                    .lost_focus = &frmTop::lstFenetresTopMost_LostFocus};
  } else if (name == "lstCatalogueTopMost") {
    binding.list = {.list = &form.lstCatalogueTopMost,
                    .checkable = true,
                    .check_click = &frmTop::lstCatalogueTopMost_Click,
                    .check_double_click = &frmTop::lstCatalogueTopMost_DblClick};
  } else if (name == "lstCatalogueDisableX") {
    binding.list = {.list = &form.lstCatalogueDisableX,
                    .checkable = true,
                    .check_click = &frmTop::lstCatalogueDisableX_Click,
                    .check_double_click = &frmTop::lstCatalogueDisableX_DblClick};
  } else if (name == "chkAllTopMost") {
    binding.check_box = &form.chkAllTopMost;
    binding.action = &frmTop::chkAllTopMost_MouseDown;
  } else if (name == "chkAllDisableX") {
    binding.check_box = &form.chkAllDisableX;
    binding.action = &frmTop::chkAllDisableX_MouseDown;
  }
  return binding;
}

}  // namespace hoverdeck
