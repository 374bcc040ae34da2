// The program's entry: reads no command line, environment or configuration.
#include "monitor/startup.h"
#include "platform/widgets_seams.h"

int main(int argc, char** argv) {
    ProgramApplication app(argc, argv);
    platform::InstallWidgetsSeams();
    return RunProgram(app);
}
