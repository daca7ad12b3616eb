{
/*
	1, xx/res/noquote.binx, +77, 9;
  1, "/r", 5, 0;
	1, "/x", -5, 0;
