' GlazeSlider driven late-bound: range, value and the errors a caller sees.
Dim s
Set s = CreateObject("Vitrelle.GlazeSlider")
WScript.Echo "Min/Max/value: " & s.Min & " " & s.Max & " " & s.value
s.Max = 200
s.value = 150
WScript.Echo "value: " & s.value & " " & TypeName(s.value)
WScript.Echo "Orientation: " & s.Orientation
On Error Resume Next
s.SmallChange = 3000000000
WScript.Echo "SmallChange = 3e9: " & Err.Number
Err.Clear
s.Bogus = 1
WScript.Echo "Bogus: " & Err.Number
