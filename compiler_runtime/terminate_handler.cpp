// The default terminate handler prints a demangled message to a console this
// GUI program does not have, and its demangler is a sixth of the executable.
// Every error is caught before it could get here; should one not be, end now.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
