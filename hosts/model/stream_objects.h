// The model host's fonts and pictures in a property stream (frame/property_stream.h).
// The platform stores a picture in its own format; the model's is its pixels:
//   u16 width, u16 height, width * height u32 colours (0x00BBGGRR), rows from the top.
#pragma once

#include "frame/property_stream.h"
#include "hosts/model/runtime.h"

namespace vitrelle::model {

class ModelStreamObjects : public StreamObjects {
 public:
  explicit ModelStreamObjects(ModelRuntime& runtime) : runtime_(runtime) {}

  FontPtr NewFont() override { return runtime_.NewFont(); }
  PicturePtr ReadPicture(ByteSource& source) override;
  bool CanWritePicture(const PicturePtr& picture) override;
  bool WritePicture(const PicturePtr& picture, ByteSink& sink) override;

 private:
  ModelRuntime& runtime_;
};

}  // namespace vitrelle::model
