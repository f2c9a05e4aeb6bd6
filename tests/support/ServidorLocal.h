#pragma once
// The local Firebird server stopped and started again, for tests of a server
// that goes away in the middle of the user's work. Only as root, with the
// server of this machine (/usr/sbin/firebird) serving 127.0.0.1:3050, as the
// test command sets it up.

namespace ServidorLocal {

bool podeParar();
// Stops it and waits until nothing listens any more.
bool para();
// Starts it and waits until it answers again.
bool inicia();

} // namespace ServidorLocal
