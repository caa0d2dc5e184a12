function f(n) { return n * 2; }
var r = f(21);
var a = [10, 20, 30];
var b = a[1] + a[2];
while (r > 1) r = r / 2;
