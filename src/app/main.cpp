#include "base/Log.h"

int main()
{
    qm::Log::print("🚀 Quillmarker: starting");
    return 0;
}
