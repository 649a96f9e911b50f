// The options every program of ours answers alike.
#pragma once

namespace vok {

// `NAME --help` prints usage on stdout and `NAME --version` prints
// "NAME VERSION"; both return 0, the program's exit status. Any other
// command line returns -1 and prints nothing.
int AnswerHelpOrVersion(int argc, char** argv, const char* name, const char* version, const char* usage);

}  // namespace vok
