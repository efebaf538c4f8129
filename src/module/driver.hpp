// One conversion, from the file to the host's scene.
#ifndef MIVKA_MODULE_DRIVER_HPP
#define MIVKA_MODULE_DRIVER_HPP

#include <string>

namespace MQO {

// Converts the MQO document at `path` (a narrow file name, used unchanged).
// Parse failures are reported on the console and the progress bar; host
// errors propagate as the host's exceptions.
void readmqo(std::string const& path);

}  // namespace MQO

#endif
