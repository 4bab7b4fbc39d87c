' GlazeFrame driven late-bound, as a script without a form would: defaults, its
' setters, and the run-time errors a caller sees. Without a form no control is
' placed in it, and its Controls collection is empty.
Dim f
Set f = CreateObject("Vitrelle.GlazeFrame")
WScript.Echo "Caption: " & f.Caption
WScript.Echo "BackStyle: " & f.BackStyle & " BorderStyle: " & f.BorderStyle & " Appearance: " & f.Appearance
WScript.Echo "CaptionAlignment: " & f.CaptionAlignment
WScript.Echo "BackColor: " & Hex(f.BackColor) & " ForeColor: " & Hex(f.ForeColor)
WScript.Echo "Controls: " & TypeName(f.Controls) & " " & f.Controls.Count

f.Caption = "Group"
f.CaptionAlignment = 2
f.Appearance = 0
f.FontBold = True
WScript.Echo "set: " & f.Caption & " " & f.CaptionAlignment & " " & f.Appearance & " " & f.FontBold

On Error Resume Next
f.Appearance = 70000
WScript.Echo "Appearance = 70000: " & Err.Number & " reads " & f.Appearance
Err.Clear
f.BackStyle = "text"
WScript.Echo "BackStyle = text: " & Err.Number & " reads " & f.BackStyle
Err.Clear
f.FontSize = -4
WScript.Echo "FontSize = -4: " & Err.Number
Err.Clear
Set x = f.Controls.Item(0)
WScript.Echo "Controls.Item(0): " & Err.Number
Err.Clear
f.NoSuchMember = 1
WScript.Echo "NoSuchMember: " & Err.Number
Err.Clear
f.Refresh
WScript.Echo "Refresh: " & Err.Number
