// "SEGURIDAD.CSHA256": the digest component every export holds for the length of its call.
// Obtaining one makes an OpenSSL SHA-256 context; the exports call nothing on it.
#pragma once

#include <memory>

struct evp_md_ctx_st;

namespace korvanda::components {

class CSHA256 {
 public:
  static constexpr const char* kProgId = "SEGURIDAD.CSHA256";

  // Fails with 429 (cannot create object) when the context cannot be made.
  CSHA256();
  CSHA256(CSHA256&&) noexcept = default;
  CSHA256& operator=(CSHA256&&) noexcept = default;

  bool ready() const { return ctx_ != nullptr; }

 private:
  struct Free {
    void operator()(evp_md_ctx_st* ctx) const;
  };
  std::unique_ptr<evp_md_ctx_st, Free> ctx_;
};

}  // namespace korvanda::components
