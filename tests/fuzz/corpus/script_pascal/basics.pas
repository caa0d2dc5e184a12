var i, s: Integer; a: array[0..3] of Integer; t: String; v: Variant;
function F(n: Integer): Integer; begin if n <= 1 then Result := 1 else Result := n * F(n - 1); end;
begin s := 0; for i := 1 to 10 do if i mod 2 = 0 then s := s + i;
a[1] := F(5); t := 'abc'; t[2] := 'X'; v := [1, 3..5]; try RaiseException('x'); except s := s - 1; end;
case s of 1..30: t := Copy(t, 0, 2); else t := ''; end; while s > 0 do s := s div 2; end.
