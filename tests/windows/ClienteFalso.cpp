// A stand-in for the database client: a library with the client's entry point,
// whose answer tells which library was loaded. It needs a library of its own
// folder, as the real client needs its runtime.
extern "C" __declspec(dllimport) int marca_do_cliente();

extern "C" __declspec(dllexport) void *fb_get_master_interface()
{
    static int marca = 0;
    marca = marca_do_cliente();
    return &marca;
}
