// The document-store helper: the upload starts it and talks to it over its standard input and
// output, so that the database driver runs in a process of its own.
#include "upload/document_store.h"

int main() {
    return kb::RunStoreHelper(kb::HelperInput(), kb::HelperOutput());
}
