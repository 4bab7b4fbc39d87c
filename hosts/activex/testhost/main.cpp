// testhost: the Win32 test container. `testhost FORM.vfm SCRIPT` runs a script and
// prints its log as `vitrelle run` does on the model host; `testhost --screenshot
// OUT.bmp FORM.vfm` shows the form, lets it settle and writes what it shows. With
// `--quick` first, the library's controls are activated through IQuickActivate
// instead of the ordinary sequence of calls.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "hosts/activex/testhost/win32_driver.h"
#include "script/script.h"

namespace {

int Usage() {
  std::cerr << "usage: testhost [--quick] FORM.vfm [SCRIPT]\n       testhost [--quick] --screenshot OUT.bmp FORM.vfm\n";
  return vitrelle::script::kExitBadScript;
}

int RunForm(vitrelle::testhost::Activation activation, const std::string& form, const std::string& script_name) {
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
  vitrelle::testhost::Win32Driver driver(form, activation);
  return vitrelle::script::RunScript(driver, text, script_name, std::cout, std::cerr);
}

int Screenshot(vitrelle::testhost::Activation activation, const std::string& out, const std::string& form) {
  vitrelle::testhost::Win32Driver driver(form, activation);
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
  std::vector<std::string> args(argv + 1, argv + argc);
  auto activation = vitrelle::testhost::Activation::kOrdinary;
  if (!args.empty() && args[0] == "--quick") {
    activation = vitrelle::testhost::Activation::kQuick;
    args.erase(args.begin());
  }
  int status = 0;
  try {
    if (args.size() == 3 && args[0] == "--screenshot") {
      status = Screenshot(activation, args[1], args[2]);
    } else if (args.size() == 1 || args.size() == 2) {
      status = RunForm(activation, args[0], args.size() == 2 ? args[1] : "-");
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
