' Creates each class named on the command line by its ProgID and says whether it could.
Dim i, name, o
For i = 0 To WScript.Arguments.Count - 1
  name = WScript.Arguments(i)
  On Error Resume Next
  Set o = CreateObject(name)
  If Err.Number = 0 Then
    WScript.Echo "created " & name
  Else
    WScript.Echo "failed " & name & " " & Hex(Err.Number)
  End If
  Err.Clear
  On Error GoTo 0
  Set o = Nothing
Next
