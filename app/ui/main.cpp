// Kit Binder: the wizard that keeps a designer's garment collections and builds their installers.
#include "app/ui/kitbinder_application.h"

int main(int argc, char* argv[]) {
    kb::KitbinderApplication application(argc, argv);
    return kb::RunKitbinder(application);
}
