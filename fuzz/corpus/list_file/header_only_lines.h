{
/*	No,	File Name,		Size,	Address	*/

}