var s, t: String; c: Char; k: Integer; b: Boolean;
function Twice(const x: String): String; begin Result := x + x; end;
begin
  s := 'Ключ ' + #65 + #$42 + Chr(67);
  for k := 1 to Length(s) do begin c := s[k]; if c in ['A'..'Z'] then t := t + LowerCase(c); end;
  b := (t = 'abc') and not (Length(s) > 100) or False xor True;
  t := Twice(Copy(s, 2, 3)) + Trim('  x  ') + IntToStr(255) + VarToStr(Null);
  k := StrToInt('12') shl 2 + Ord('a') mod 7;
end.
