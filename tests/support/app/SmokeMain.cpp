// The program with the smoke probe, for the Xvfb smoke run only.
// Usage: tovrin <probe file> [the program's own arguments]
#include <cstdio>
#include <vector>

#include <QString>

#include "app/Program.h"
#include "app/SmokeProbe.h"

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <probe file> [arguments]\n", argv[0]);
        return 2;
    }
    const QString probe = QString::fromLocal8Bit(argv[1]);
    // The program sees its own arguments only; Qt keeps argc and argv for its whole run.
    std::vector<char*> args{argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    args.push_back(nullptr);
    int count = argc - 1;
    return RunProgram(count, args.data(), [&](TfrmTovrinMain& window) { StartSmokeProbe(window, probe); });
}
