// ClientRequest.h: identifiers of the requests the terminal sends to its servers.
// 客户端请求编号。
#pragma once

#define REQID_BASE                      2000
#define REQID_LOGIN                     2001    // 用户登录
#define REQID_LOGOUT                    2002    // 用户退出
#define REQID_HEARTBEAT                 2003    // 心跳
#define REQID_SERVER_TIME               2004    // 服务器时间
#define REQID_MARKET_INIT               2010    // 市场初始化
#define REQID_STOCK_LIST                2011    // 代码表
#define REQID_BLOCK_LIST                2012    // 板块列表
#define REQID_QUOTE_SNAPSHOT            2020    // 行情快照
#define REQID_QUOTE_PUSH                2021    // 行情推送订阅
#define REQID_QUOTE_SORT                2022    // 排行榜
#define REQID_MINUTE_DATA               2030    // 分时数据
#define REQID_HISTORY_MINUTE            2031    // 历史分时
#define REQID_TICK_DATA                 2032    // 分笔成交
#define REQID_KLINE_DAY                 2040    // 日K线
#define REQID_KLINE_WEEK                2041    // 周K线
#define REQID_KLINE_MONTH               2042    // 月K线
#define REQID_KLINE_MINUTE              2043    //分钟K线
#define REQID_RIGHTS_INFO               2044    // 除权信息
#define REQID_F10_INFO                  2050    // F10 资料
#define REQID_NEWS_LIST                 2051    // 新闻列表
#define REQID_NEWS_CONTENT              2052    // 新闻正文
#define REQID_NOTICE_LIST               2053    // 公司公告
#define REQID_LEVEL2_QUEUE              2060    // Level2 委托队列
#define REQID_LEVEL2_TICK               2061    // Level2 逐笔成交
#define REQID_MONEY_FLOW                2062    // 资金流向
#define REQID_BIG_ORDER                 2063    // 大单统计
#define REQID_SELF_STOCK_SYNC           2070    // 自选股同步
#define REQID_ALERT_SYNC                2071    // 预警同步
#define REQID_FORMULA_DOWNLOAD          2072
#define REQID_SERVER_PROFILE            2080    // Server profile version
#define REQID_SPEED_TEST                2081    // Speed test report
#define REQID_MAX                       2099
