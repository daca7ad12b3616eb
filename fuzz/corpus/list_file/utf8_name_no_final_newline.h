{
/*	No,	File Name,		Size,	Address	*/

	1, "/资源/字库16.dot", 4294967295, 0;

}