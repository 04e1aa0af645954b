// qnsend from arguments to exit status, with its output gathered for the entry function
// to write (UTF-8).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillnet {

// default_ini is Quillnet.ini beside the program. out and err receive what goes to
// standard output and standard error.
int run_qnsend(const std::vector<std::string>& args, const std::wstring& default_ini, std::string& out,
               std::string& err);
// The same; flush, when given, is called with out whenever lines are ready that should
// appear at once (the tally and each "seen by" line while qnsend waits); it writes and
// empties out.
int run_qnsend(const std::vector<std::string>& args, const std::wstring& default_ini, std::string& out,
               std::string& err, const std::function<void(std::string&)>& flush);

// A UTF-8 path as the wide path the file functions take.
std::wstring wide_path(const std::string& utf8);

}  // namespace quillnet
