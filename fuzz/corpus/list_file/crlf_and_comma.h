{
/*	No,	File Name,		Size,	Address	*/

	1, "/res/logo.bin", 1234, 0;
	2, "/res/a,b.dot", 5000, 1234;

}
