const Limit = 5;
var L: TStringList; i: Integer; s: String; d: TDateTime;
procedure AddAll(List: TStringList; var Count: Integer);
var j: Integer;
begin
  for j := Limit downto 1 do begin List.Add(IntToStr(j * 3)); Inc(Count); end;
end;
begin
  L := TStringList.Create;
  try
    i := 0;
    AddAll(L, i);
    L.Sort;
    s := L.Text + L[0] + Format('%d items, %s', [L.Count, UpperCase('ok')]);
    with L do Delete(Count - 1);
    repeat i := i - 1 until i <= 0;
    d := EncodeDate(2026, 12, 8);
    s := s + FormatDateTime('dd.mm.yyyy', d) + FloatToStr(Sqrt(2.0));
    if Pos('9', s) > 0 then Delete(s, Pos('9', s), 1);
  finally
    L.Free;
  end;
end.
