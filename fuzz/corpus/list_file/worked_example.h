{
/*	No,	File Name,		Size,	Address	*/

	1, "D:\res\logo.bin", 1234, 4096;
	2, "D:\res\font16.dot", 5000, 5330;

}
