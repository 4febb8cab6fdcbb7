// takecmd/host_state.cpp, part of the stand-in TakeCmd.dll: the batch files
// being run and whether the host is transient, kept in one place for the
// interpreter that changes them and the expansion that reads them.
#include <vector>

#include "host_state.h"

static std::vector<BatchFrame> Batches;
static bool Transient;

const BatchFrame *CurrentBatch(void)
{
    return Batches.empty() ? NULL : &Batches.back();
}
int BatchDepth(void)
{
    return (int)Batches.size();
}
void EnterBatch(const std::wstring &fullPath)
{
    Batches.push_back({fullPath, 0});
}
void NextBatchLine(void)
{
    ++Batches.back().line;
}
void LeaveBatch(void)
{
    Batches.pop_back();
}
bool IsTransient(void)
{
    return Transient;
}
void HostSetTransient(int transient)
{
    Transient = transient != 0;
}
