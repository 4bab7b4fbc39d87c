' EnumClass exists to publish the enumerations: creatable, with no members.
Dim o
Set o = CreateObject("Vitrelle.EnumClass")
WScript.Echo "created: " & (Not o Is Nothing)
On Error Resume Next
Dim x
x = o.Anything
WScript.Echo "member access: " & Err.Number
