extern "C" int Help(const wchar_t *)
{
    return 0;
}
