#pragma once
// Exceptions of the data file; they carry only their message.
#include "platform/Exceptions.h"

class ExInvalidFileFormat : public Exception {
    using Exception::Exception;
};

class ExNewerVersionOfFile : public Exception {
    using Exception::Exception;
};
