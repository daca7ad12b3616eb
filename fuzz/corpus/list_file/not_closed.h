{
/*	No,	File Name,		Size,	Address	*/

	1, "/a.bin", 5, 0;
