{
/*	No,	File Name,		Size,	Address	*/

	2, "/res/logo.bin", 1234, 4096;

}
