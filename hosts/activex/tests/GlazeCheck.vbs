' GlazeCheck driven late-bound, as a script without a form would: defaults,
' round trips of each kind of property, and the run-time errors a caller sees.
Dim c
Set c = CreateObject("Vitrelle.GlazeCheck")
WScript.Echo "Caption: " & c.Caption
WScript.Echo "value: " & c.value & " " & TypeName(c.value)
WScript.Echo "BackStyle: " & c.BackStyle
WScript.Echo "Enabled: " & c.Enabled
WScript.Echo "BackColor: " & Hex(c.BackColor)
WScript.Echo "hwnd without a window: " & c.hwnd

c.Caption = "Hello"
c.value = 1
c.Alignment = 1
c.BackColor = &HFF
c.FontBold = True
c.FontItalic = True
WScript.Echo "set: " & c.Caption & " " & c.value & " " & c.Alignment & " " & Hex(c.BackColor) & " " & c.FontBold & " " & c.FontItalic

On Error Resume Next
c.Appearance = 70000
WScript.Echo "Appearance = 70000: " & Err.Number
Err.Clear
c.value = 7
WScript.Echo "value = 7: " & Err.Number & " reads " & c.value
Err.Clear
c.MousePointer = 50
WScript.Echo "MousePointer = 50: " & Err.Number & " " & Err.Description
Err.Clear
c.BackColor = &H80000040
WScript.Echo "BackColor = &H80000040: " & Err.Number & " reads " & Hex(c.BackColor)
Err.Clear
c.ForeColor = &H1000000
WScript.Echo "ForeColor = &H1000000: " & Err.Number & " reads " & Hex(c.ForeColor)
Err.Clear
c.Caption = Nothing
WScript.Echo "Caption = Nothing: " & Err.Number
Err.Clear
c.NoSuchMember = 1
WScript.Echo "NoSuchMember: " & Err.Number
Err.Clear
c.hwnd = 5
WScript.Echo "hwnd = 5: " & Err.Number
Err.Clear
c.Refresh
WScript.Echo "Refresh: " & Err.Number
