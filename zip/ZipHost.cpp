#include "zip/ZipHost.h"

namespace {

IZipHost* installedHost = nullptr;

}  // namespace

IZipHost& ZipHost()
{
    static THeadlessZipHost headless;
    return installedHost ? *installedHost : headless;
}

void SetZipHost(IZipHost* host)
{
    installedHost = host;
}
