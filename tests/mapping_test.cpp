// Loading of the monitor configuration file into the operation, reverse and request tables.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/MappingTables.h"
#include "tests/support/MonitorTestAccess.h"

using ::testing::UnorderedElementsAreArray;

namespace {

struct LoaderCase {
    const char* name;
    const char* config;  // the body under "MonitorConfig"; nullptr: no file at all
    std::vector<std::string> expected;
};

const LoaderCase kLoaderCases[] = {
    {"no configuration file", nullptr, {}},
    {"value texts are exact, case-sensitive keys (Open, not open); a value list that is only text lists nothing",
     R"(<OperationMapping>
          <MenuCommand><type>1</type><value1><Open>12</Open></value1><value2>0</value2></MenuCommand>
          <WorkspaceChanged><type>0</type><value1><行情报价>1</行情报价></value1><value2/></WorkspaceChanged>
        </OperationMapping>)",
     {"op MenuCommand type 1", "op MenuCommand v1 Open=12", "rev 1 MenuCommand", "rev 1 n1 12=Open",
      "op WorkspaceChanged type 0", "op WorkspaceChanged v1 行情报价=1", "rev 0 WorkspaceChanged",
      "rev 0 n1 1=行情报价"}},
    {"a repeated kind: the first wins by name, the reverse table takes a new type code",
     R"(<OperationMapping>
          <MenuCommand><type>1</type><value1><Open>12</Open></value1><value2/></MenuCommand>
          <MenuCommand><type>9</type><value1><Close>3</Close></value1><value2><X>4</X></value2></MenuCommand>
          <MenuCommand><type>1</type><value1><Other>5</Other></value1><value2/></MenuCommand>
        </OperationMapping>)",
     {"op MenuCommand type 1", "op MenuCommand v1 Open=12", "rev 1 MenuCommand", "rev 1 n1 12=Open",
      "rev 9 MenuCommand", "rev 9 n1 3=Close", "rev 9 n2 4=X"}},
    {"a repeated code maps both texts forward and is named by the first; a repeated text keeps its first code forward "
     "and names its new code in reverse",
     R"(<OperationMapping>
          <DialogShow><type>3</type><value1><Open>5</Open><Load>5</Load><Open>6</Open></value1>
            <value2><A>1</A><B>1</B></value2></DialogShow>
        </OperationMapping>)",
     {"op DialogShow type 3", "op DialogShow v1 Open=5", "op DialogShow v1 Load=5", "op DialogShow v2 A=1",
      "op DialogShow v2 B=1", "rev 3 DialogShow", "rev 3 n1 5=Open", "rev 3 n1 6=Open", "rev 3 n2 1=A"}},
    {"codes are leading decimal numbers; text without one is skipped",
     R"(<OperationMapping>
          <TabWndActive><type>  4 tabs</type><value1><A>7abc</A><B>  42</B><C>-3</C><D>+8</D><E>abc</E><F></F>
            <G>99999999999</G></value1><value2/></TabWndActive>
          <NoNumber><type>x</type><value1><A>1</A></value1><value2/></NoNumber>
          <NoType><value1><A>1</A></value1><value2/></NoType>
        </OperationMapping>)",
     {"op TabWndActive type 4", "op TabWndActive v1 A=7", "op TabWndActive v1 B=42", "op TabWndActive v1 C=-3",
      "op TabWndActive v1 D=8", "op TabWndActive v1 G=2147483647", "rev 4 TabWndActive", "rev 4 n1 7=A",
      "rev 4 n1 42=B", "rev 4 n1 -3=C", "rev 4 n1 8=D", "rev 4 n1 2147483647=G"}},
    {"the parts of a kind are found in any order",
     R"(<OperationMapping>
          <PostExecute><value2><Close>2</Close></value2><value1><Open>1</Open></value1><type>7</type></PostExecute>
        </OperationMapping>)",
     {"op PostExecute type 7", "op PostExecute v1 Open=1", "op PostExecute v2 Close=2", "rev 7 PostExecute",
      "rev 7 n1 1=Open", "rev 7 n2 2=Close"}},
    {"requests without operations: descriptions as written, the first of a key wins",
     R"(<RequestMapping><Req1005> 分时数据</Req1005><Req2001>Login</Req2001><Req2001>Again</Req2001></RequestMapping>)",
     {"req Req1005= 分时数据", "req Req2001=Login"}},
    {"keys as the host writes them, unescaped between '<' and '>': every kind and the requests after them load",
     R"(<OperationMapping>
          <MenuCommand><type>1</type><value1><||文件|另存为 ...>1</||文件|另存为 ...><||行情|Level2 深度行情>2</||行情|Level2 深度行情>
            <||编辑|"复制" & 'A<B'>3</||编辑|"复制" & 'A<B'></value1><value2>0</value2></MenuCommand>
          <DialogShow><type>3</type><value1><Find Stock>1</Find Stock><a=b>2</a=b></value1><value2>0</value2></DialogShow>
        </OperationMapping>
        <RequestMapping><Req2001> 用户登录</Req2001></RequestMapping>)",
     {"op MenuCommand type 1", "op MenuCommand v1 ||文件|另存为 ...=1", "op MenuCommand v1 ||行情|Level2 深度行情=2",
      "op MenuCommand v1 ||编辑|\"复制\" & 'A<B'=3", "rev 1 MenuCommand", "rev 1 n1 1=||文件|另存为 ...",
      "rev 1 n1 2=||行情|Level2 深度行情", "rev 1 n1 3=||编辑|\"复制\" & 'A<B'", "op DialogShow type 3",
      "op DialogShow v1 Find Stock=1", "op DialogShow v1 a=b=2", "rev 3 DialogShow", "rev 3 n1 1=Find Stock",
      "rev 3 n1 2=a=b", "req Req2001= 用户登录"}},
    {"host-written keys that read like other markup: one ending in '/', one with an unpaired quote; a true empty "
     "element and a quoted '>' stay what they are",
     R"(<OperationMapping><MenuCommand><type>1</type><value1><||交易|买/>1</||交易|买/><empty/><a/>2</a/>
          <||插入|"引号>3</||插入|"引号><q x="a>b">4</q></value1><value2>0</value2></MenuCommand></OperationMapping>)",
     {"op MenuCommand type 1", "op MenuCommand v1 q=4", "op MenuCommand v1 ||交易|买/=1",
      "op MenuCommand v1 ||插入|\"引号=3", "op MenuCommand v1 a/=2", "rev 1 MenuCommand", "rev 1 n1 1=||交易|买/",
      "rev 1 n1 2=a/", "rev 1 n1 3=||插入|\"引号", "rev 1 n1 4=q"}},
    {"both sections, requests first",
     R"(<RequestMapping><Req2001>Login</Req2001></RequestMapping>
        <OperationMapping><PopupMenuOpen><type>5</type><value1>0</value1><value2>0</value2></PopupMenuOpen></OperationMapping>)",
     {"req Req2001=Login", "op PopupMenuOpen type 5", "rev 5 PopupMenuOpen"}},
};

}  // namespace

TEST(OperationMappingLoader, FillsTheTablesFromTheConfigurationFile) {
    for (const LoaderCase& c : kLoaderCases) {
        SCOPED_TRACE(c.name);
        ScratchHost scratch;
        if (c.config)
            WriteTextFile(scratch.Dir(), "Config/MonitorConfig.xml",
                          std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MonitorConfig>\n") + c.config +
                              "\n</MonitorConfig>\n");
        EXPECT_THAT(LoadedMappingLines(), UnorderedElementsAreArray(c.expected));
    }
}
