// testhost: the Win32 test container. `testhost FORM.vfm SCRIPT` runs a script and
// prints its log as `vitrelle run` does on the model host; `testhost --screenshot
// OUT.bmp FORM.vfm` shows the form, lets it settle and writes what it shows.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "hosts/activex/testhost/win32_driver.h"
#include "script/script.h"

namespace {

int Usage() {
  std::cerr << "usage: testhost FORM.vfm [SCRIPT]\n       testhost --screenshot OUT.bmp FORM.vfm\n";
  return vitrelle::script::kExitBadScript;
}

int RunForm(const std::string& form, const std::string& script_name) {
  std::string text;
  if (script_name == "-") {
    std::stringstream in;
    in << std::cin.rdbuf();
    text = in.str();
  } else {
    std::ifstream in(script_name, std::ios::binary);
    if (!in) {
      std::cerr << script_name << ": cannot be read\n";
      return vitrelle::script::kExitHostFailed;
    }
    std::stringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  vitrelle::testhost::Win32Driver driver(form);
  return vitrelle::script::RunScript(driver, text, script_name, std::cout, std::cerr);
}

int Screenshot(const std::string& out, const std::string& form) {
  vitrelle::testhost::Win32Driver driver(form);
  driver.Load(false);
  driver.Show();
  // The copies and the first focus are done within 200 ms of the form showing on
  // an idle machine; on a busy one their timers come late, and a control caught
  // between hiding and showing again would be missing from the picture.
  driver.Wait(1000);
  driver.Render(out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The log goes out in large writes: the C runtime asks the console for its mode
  // on every write, a round trip to the window server under Wine each.
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  if (FAILED(::OleInitialize(nullptr))) {
    std::cerr << "testhost: OLE could not be initialised\n";
    return vitrelle::script::kExitHostFailed;
  }
  int status = 0;
  try {
    if (argc == 4 && std::string(argv[1]) == "--screenshot") {
      status = Screenshot(argv[2], argv[3]);
    } else if (argc == 2 || argc == 3) {
      status = RunForm(argv[1], argc == 3 ? argv[2] : "-");
    } else {
      status = Usage();
    }
  } catch (const std::exception& e) {
    std::cerr << "testhost: " << e.what() << "\n";
    status = vitrelle::script::kExitHostFailed;
  }
  std::cout.flush();
  ::OleUninitialize();
  return status;
}
