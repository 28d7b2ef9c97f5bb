// LogicHandlerFun2.h: functions of the second logic handler (Level-2 data and fund flows).
// 第二逻辑处理函数（Level-2 数据与资金流向）。
#pragma once

#define LOGIC_FUN2_LEVEL2_QUEUE         _T("Level2Queue")
#define LOGIC_FUN2_LEVEL2_TICK          _T("Level2Tick")
#define LOGIC_FUN2_BIG_ORDER            _T("BigOrder")
#define LOGIC_FUN2_MONEY_FLOW           _T("MoneyFlow")
#define LOGIC_FUN2_SECTOR_ROTATION      _T("SectorRotation")
#define LOGIC_FUN2_LIMIT_UP_MONITOR     _T("LimitUpMonitor")
#define LOGIC_FUN2_DRAGON_TIGER_LIST    _T("DragonTigerList")
#define LOGIC_FUN2_HK_CONNECT_FLOW      _T("HKConnectFlow")
// The same command as the first handler's: the configuration keeps the first number.
#define LOGIC_FUN2_OPEN_QUOTE           _T("OpenQuote")
#define LOGIC_FUN2_MARGIN_TRADING       _T("MarginTrading")
#define LOGIC_FUN2_BLOCK_TRADE          _T("BlockTrade")

#define LOGIC_PARAM2_DEPTH              _T("Depth")
#define LOGIC_PARAM2_THRESHOLD          _T("Threshold")
#define LOGIC_PARAM2_SORT_FIELD         _T("SortField")
#define LOGIC_PARAM2_SORT_ORDER         _T("SortOrder")
#define LOGIC_PARAM2_TIME_RANGE         _T("TimeRange")
#define LOGIC_PARAM2_QUEUE_SIZE         50
