#include "components/digest.h"

#include <openssl/evp.h>

#include "korvanda/error.h"

namespace korvanda::components {

void CSHA256::Free::operator()(evp_md_ctx_st* ctx) const { EVP_MD_CTX_free(ctx); }

CSHA256::CSHA256() : ctx_(EVP_MD_CTX_new()) {
  if (!ctx_ || EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr) != 1)
    throw errors::cannotCreateObject(kProgId);
}

}  // namespace korvanda::components
