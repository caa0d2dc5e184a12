Dim s
s = ""
For i = 1 To 3
  s = s & i
Next
If s = "123" Then
  s = Copy(s, 1, 2)
End If
