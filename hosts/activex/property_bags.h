// The core's PropertyBag over what containers persist controls into: a container's
// IPropertyBag (text forms), and the control's own stream (binary forms).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <utility>
#include <vector>

#include "frame/host.h"
#include "frame/property_stream.h"

namespace vitrelle::activex {

class ComPropertyBag : public PropertyBag {
 public:
  ComPropertyBag(IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {}
  Variant ReadProperty(std::string_view key, const Variant& default_value) override;
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override;

 private:
  IPropertyBag* bag_;
  IErrorLog* log_;
};

// Keys and values in memory, written to and read from a stream as one record
// (frame/property_stream.h).
class StreamPropertyBag : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view key, const Variant& default_value) override;
  void WriteProperty(std::string_view key, const Variant& value, const Variant& default_value) override;

  HRESULT LoadFrom(IStream* stream);
  HRESULT SaveTo(IStream* stream) const;

 private:
  StreamEntries entries_;
};

}  // namespace vitrelle::activex
