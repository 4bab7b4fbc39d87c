// The library's own modal form on Win32: a dialog with no owner window, its labels,
// links and buttons real child windows, its rule and icon painted by the dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "frame/host.h"

namespace vitrelle::activex {

// Containers that drive the form in tests find it and its elements by these window
// properties, each a global atom of the name the library gives them.
inline constexpr wchar_t kFormNameProperty[] = L"Vitrelle.Form";
inline constexpr wchar_t kElementNameProperty[] = L"Vitrelle.Element";

class Win32ModalForm final : public ModalForm {
 public:
  Win32ModalForm(const FormSpec& spec, FormEvents& events);
  ~Win32ModalForm() override;

  void ShowModal() override;
  void Close() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp);
  void Create(HWND dialog);
  void Paint(HWND dialog);
  INT_PTR Command(WORD id, WORD code);
  const FormElement* ElementOf(HWND child) const;
  int Px(float twips) const;

  FormSpec spec_;
  FormEvents& events_;
  HWND dialog_ = nullptr;
  HFONT font_ = nullptr, title_font_ = nullptr;
  HCURSOR link_cursor_ = nullptr;
  std::vector<HWND> children_;  // one per element; null for those painted
  std::vector<ATOM> atoms_;
};

}  // namespace vitrelle::activex
