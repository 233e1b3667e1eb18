#pragma once
// i815ctl --completion-words, for the bash completion (data/bash-completion/i815ctl), which asks
// the program so that its words are always those of the command, route and field tables of the
// program installed; not in --help. One word a line:
//   --completion-words commands | options [COMMAND] | keys | values KEY

#include <ostream>
#include <string>
#include <vector>

// The words asked for by `what`; false, printing nothing, for anything else.
bool CompletionWords(const std::vector<std::string>& what, std::ostream& out);
