Dim l, n, s
Function Twice(x)
  Return x * 2
End Function
Sub Fill(list, count)
  For i = 0 To count - 1 Step 1
    list.Add(IntToStr(Twice(i)))
  Next
End Sub
l = New TStringList
Try
  Fill(l, 5)
  n = l.Count
Finally
  l.Free
End Try
Select Case n
  Case 5:
    s = "five"
  Case Else:
    s = ""
End Select
While n > 0
  n = n - 1
WEnd
