// Form files (*.vfm): one block per control, nested for containers.
//
//   Begin Form Form1
//      BackColor = 0x00C0E0FF
//      Picture = picture("backdrop.png")
//      Width = 6000
//      Begin GlazeFrame Frame1
//         Left = 240
//         Caption = "Options"
//      End
//   End
//
// Values are read by vfm/, as scripts read them: decimal integers, 0x hexadecimal
// integers, decimal numbers with a point or an exponent, True/False, Nothing, strings
// in double quotes ("" is a quote), picture("path") relative to the file, and
// font("Name", size[, Bold][, Italic][, Underline][, Strikethrough]).
// The host keeps Left, Top, Width, Height, TabIndex, TabStop, Visible and Index;
// every other key of a control goes to its property bag. A form's Width and Height
// are its client area; besides them a form takes BackColor, Caption, Picture (drawn
// at the top left) and Pattern (tiled).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "hosts/model/form.h"
#include "hosts/model/runtime.h"

namespace vitrelle::model {

// "FILE:LINE: expected ..." — one error for the whole file; nothing was loaded.
class FormFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads and sites every control (ReadProperties through each control's bag).
std::shared_ptr<Form> LoadForm(ModelRuntime& runtime, const std::string& path, bool user_mode);
// The same from text; `path` names the file in errors and anchors relative pictures.
std::shared_ptr<Form> LoadFormText(ModelRuntime& runtime, std::string_view text, const std::string& path,
                                   bool user_mode);

// Writes the form through each control's WriteProperties. Pictures read from a file
// keep their path (relative to the form); others are written beside the form as PNG.
void SaveForm(Form& form, const std::string& path);
std::string FormText(Form& form, const std::string& path);

}  // namespace vitrelle::model
