#pragma once
// Failures of the ZIP component, each with a fixed English message.
#include "platform/Exceptions.h"

class EZipError : public Exception { using Exception::Exception; };
class EIncompleteZip : public EZipError { using EZipError::EZipError; };
class EFatalUnzipError : public EZipError { using EZipError::EZipError; };
class EUserCanceled : public EZipError { using EZipError::EZipError; };
class EClassNotFound : public EZipError { using EZipError::EZipError; };
