var l = new TStringList();
var s = "";
function fill(list, count) { for (var i = 0; i < count; i++) list.Add(IntToStr(i * 3)); }
try { fill(l, 4); l.Sort(); s = l.Text + Format("%d", [l.Count]); }
finally { l.Free(); }
switch (Length(s)) { case 0: { s = "none"; } default: s = s + "!"; }
do { s = Copy(s, 2, 100); } while (Length(s) > 3);
if ((s == "ab") && !(s != "x") || false) s = UpperCase(s);
