' GlazeRadio driven late-bound, as a script without a form would: defaults, the
' option's Boolean value, and the run-time errors a caller sees. Without a form
' there is no group to clear and no container to ask.
Dim r
Set r = CreateObject("Vitrelle.GlazeRadio")
WScript.Echo "Caption: " & r.Caption
WScript.Echo "value: " & r.value & " " & TypeName(r.value)
WScript.Echo "BackStyle: " & r.BackStyle
WScript.Echo "Appearance: " & r.Appearance
WScript.Echo "BackColor: " & Hex(r.BackColor) & " ForeColor: " & Hex(r.ForeColor)

r.Caption = "Choice"
r.value = True
r.Alignment = 1
r.FontItalic = True
WScript.Echo "set: " & r.Caption & " " & r.value & " " & r.Alignment & " " & r.FontItalic
r.value = False
WScript.Echo "cleared: " & r.value

On Error Resume Next
r.Appearance = 70000
WScript.Echo "Appearance = 70000: " & Err.Number & " reads " & r.Appearance
Err.Clear
r.value = "not a Boolean"
WScript.Echo "value = text: " & Err.Number & " reads " & r.value
Err.Clear
r.FontSize = -4
WScript.Echo "FontSize = -4: " & Err.Number
Err.Clear
r.MousePointer = 50
WScript.Echo "MousePointer = 50: " & Err.Number & " " & Err.Description
Err.Clear
r.NoSuchMember = 1
WScript.Echo "NoSuchMember: " & Err.Number
Err.Clear
r.Refresh
WScript.Echo "Refresh: " & Err.Number
