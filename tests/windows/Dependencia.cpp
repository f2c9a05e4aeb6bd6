// A library that the stand-in client needs, lying beside it only.
extern "C" __declspec(dllexport) int marca_do_cliente()
{
    return 42;
}
