<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>TallyHistoryWindow</name>
    <message>
        <source>历史</source>
        <translation>历史</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>yyyy-MM-dd</source>
        <translation>yyyy-MM-dd</translation>
    </message>
    <message>
        <source>至</source>
        <translation>至</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>名字</translation>
    </message>
    <message>
        <source>任一玩家的名字</source>
        <translation>任一玩家的名字</translation>
    </message>
    <message>
        <source>导出列表中的PK（CSV）…</source>
        <translation>导出列表中的PK（CSV）…</translation>
    </message>
    <message>
        <source>当日汇总</source>
        <translation>当日汇总</translation>
    </message>
    <message>
        <source>导出这场（CSV）…</source>
        <translation>导出这场（CSV）…</translation>
    </message>
    <message>
        <source>%1 %2 胜</source>
        <translation>%1 %2 胜</translation>
    </message>
    <message>
        <source>平局 %1</source>
        <translation>平局 %1</translation>
    </message>
    <message>
        <source>共 %1 场PK；%2；加分合计 %3</source>
        <translation>共 %1 场PK；%2；加分合计 %3</translation>
    </message>
    <message>
        <source>无胜负</source>
        <translation>无胜负</translation>
    </message>
    <message>
        <source>，</source>
        <translation>，</translation>
    </message>
    <message>
        <source>平局</source>
        <translation>平局</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>开始时间</translation>
    </message>
    <message>
        <source>玩家一</source>
        <translation>玩家一</translation>
    </message>
    <message>
        <source>玩家二</source>
        <translation>玩家二</translation>
    </message>
    <message>
        <source>比分</source>
        <translation>比分</translation>
    </message>
    <message>
        <source>胜方</source>
        <translation>胜方</translation>
    </message>
    <message>
        <source>导出历史</source>
        <translation>导出历史</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>历史没有导出：无法写入这个文件。</source>
        <translation>历史没有导出：无法写入这个文件。</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>玩家</source>
        <translation>玩家</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>数量</translation>
    </message>
    <message>
        <source>玩家一总数</source>
        <translation>玩家一总数</translation>
    </message>
    <message>
        <source>玩家二总数</source>
        <translation>玩家二总数</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>已撤销</source>
        <translation>已撤销</translation>
    </message>
</context>
<context>
    <name>TallySetupDialog</name>
    <message>
        <source>PK 设置</source>
        <translation>PK 设置</translation>
    </message>
    <message>
        <source>玩家一名字</source>
        <translation>玩家一名字</translation>
    </message>
    <message>
        <source>玩家二名字</source>
        <translation>玩家二名字</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>上移</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>下移</translation>
    </message>
    <message>
        <source>广告文字</source>
        <translation>广告文字</translation>
    </message>
    <message>
        <source>字大小</source>
        <translation>字大小</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>打开文件夹</translation>
    </message>
    <message>
        <source>有 GBK 存不下的字符（如表情），配置文件将存成 UTF-8。</source>
        <translation>有 GBK 存不下的字符（如表情），配置文件将存成 UTF-8。</translation>
    </message>
    <message>
        <source>的名字不能为空。</source>
        <translation>的名字不能为空。</translation>
    </message>
    <message>
        <source>的名字不能换行。</source>
        <translation>的名字不能换行。</translation>
    </message>
    <message>
        <source>的预设数量最多 %1 个。</source>
        <translation>的预设数量最多 %1 个。</translation>
    </message>
    <message>
        <source>的预设数量“%1”不是数字。</source>
        <translation>的预设数量“%1”不是数字。</translation>
    </message>
    <message>
        <source>玩家一</source>
        <translation>玩家一</translation>
    </message>
    <message>
        <source>玩家二</source>
        <translation>玩家二</translation>
    </message>
    <message>
        <source>广告文字里不能有“+”：配置文件用它表示换行。</source>
        <translation>广告文字里不能有“+”：配置文件用它表示换行。</translation>
    </message>
    <message>
        <source>字大小应在 1 到 %1 之间。</source>
        <translation>字大小应在 1 到 %1 之间。</translation>
    </message>
    <message>
        <source>设置没有保存。</source>
        <translation>设置没有保存。</translation>
    </message>
    <message>
        <source>设置没有保存：无法写入配置文件，原文件未改动。</source>
        <translation>设置没有保存：无法写入配置文件，原文件未改动。</translation>
    </message>
</context>
<context>
    <name>actions</name>
    <message>
        <source>下一步，和空格键一样</source>
        <translation>下一步，和空格键一样</translation>
    </message>
    <message>
        <source>从开局提示打开“摇几次”的框</source>
        <translation>从开局提示打开“摇几次”的框</translation>
    </message>
    <message>
        <source>设定这一局摇几次</source>
        <translation>设定这一局摇几次</translation>
    </message>
    <message>
        <source>开始摇</source>
        <translation>开始摇</translation>
    </message>
    <message>
        <source>摇一次（摇的过程中）</source>
        <translation>摇一次（摇的过程中）</translation>
    </message>
    <message>
        <source>摇完后开龙虎</source>
        <translation>摇完后开龙虎</translation>
    </message>
    <message>
        <source>把观众的口令混进下一局的随机数</source>
        <translation>把观众的口令混进下一局的随机数</translation>
    </message>
    <message>
        <source>设定箱子和地雷的数量</source>
        <translation>设定箱子和地雷的数量</translation>
    </message>
    <message>
        <source>摆好箱子、埋下地雷</source>
        <translation>摆好箱子、埋下地雷</translation>
    </message>
    <message>
        <source>打开这个号码的箱子（从 1 起）</source>
        <translation>打开这个号码的箱子（从 1 起）</translation>
    </message>
    <message>
        <source>把打开的箱子记给玩家 1 或 2</source>
        <translation>把打开的箱子记给玩家 1 或 2</translation>
    </message>
    <message>
        <source>把观众的口令混进埋雷的随机数</source>
        <translation>把观众的口令混进埋雷的随机数</translation>
    </message>
    <message>
        <source>给玩家 1 或 2 加上这个数量</source>
        <translation>给玩家 1 或 2 加上这个数量</translation>
    </message>
    <message>
        <source>加上玩家的第 n 个预设数量（从 1 起）</source>
        <translation>加上玩家的第 n 个预设数量（从 1 起）</translation>
    </message>
    <message>
        <source>选中玩家 1 或 2，打字加分给他</source>
        <translation>选中玩家 1 或 2，打字加分给他</translation>
    </message>
    <message>
        <source>换选另一位玩家</source>
        <translation>换选另一位玩家</translation>
    </message>
    <message>
        <source>撤销上一次加分</source>
        <translation>撤销上一次加分</translation>
    </message>
    <message>
        <source>重做撤销的加分</source>
        <translation>重做撤销的加分</translation>
    </message>
    <message>
        <source>打开一个游戏的窗口，已开着就把它带到前面</source>
        <translation>打开一个游戏的窗口，已开着就把它带到前面</translation>
    </message>
    <message>
        <source>打印各游戏的状态，即 GET /api/state 的 JSON</source>
        <translation>打印各游戏的状态，即 GET /api/state 的 JSON</translation>
    </message>
    <message>
        <source>把游戏目录带到前面</source>
        <translation>把游戏目录带到前面</translation>
    </message>
    <message>
        <source>把游戏（不写就是全部）加入 OBS 的当前场景，或 --scene 指定的场景</source>
        <translation>把游戏（不写就是全部）加入 OBS 的当前场景，或 --scene 指定的场景</translation>
    </message>
    <message>
        <source>OBS 是否连上、它的版本、场景和已加入的游戏</source>
        <translation>OBS 是否连上、它的版本、场景和已加入的游戏</translation>
    </message>
    <message>
        <source>从 OBS 拿走程序加入的源（不写游戏就是全部），别的都不动</source>
        <translation>从 OBS 拿走程序加入的源（不写游戏就是全部），别的都不动</translation>
    </message>
    <message>
        <source>打开手机遥控，打印手机可用的地址</source>
        <translation>打开手机遥控，打印手机可用的地址</translation>
    </message>
    <message>
        <source>关闭手机遥控，断开所有手机</source>
        <translation>关闭手机遥控，断开所有手机</translation>
    </message>
    <message>
        <source>手机遥控是否开着、地址和配对的设备</source>
        <translation>手机遥控是否开着、地址和配对的设备</translation>
    </message>
    <message>
        <source>打印一个新的配对地址（5 分钟内用一次），--qr 另存二维码 PNG</source>
        <translation>打印一个新的配对地址（5 分钟内用一次），--qr 另存二维码 PNG</translation>
    </message>
    <message>
        <source>列出配对的设备</source>
        <translation>列出配对的设备</translation>
    </message>
    <message>
        <source>设一台设备能操作（operate）还是只能看（view）</source>
        <translation>设一台设备能操作（operate）还是只能看（view）</translation>
    </message>
    <message>
        <source>移除一台设备（all 为全部），立即生效</source>
        <translation>移除一台设备（all 为全部），立即生效</translation>
    </message>
</context>
<context>
    <name>catalogue</name>
    <message>
        <source>这个桌面不让程序自己设置全局快捷键。</source>
        <translation>这个桌面不让程序自己设置全局快捷键。</translation>
    </message>
    <message>
        <source>这个桌面不让程序自己设置全局快捷键（%1）。</source>
        <translation>这个桌面不让程序自己设置全局快捷键（%1）。</translation>
    </message>
    <message>
        <source>

在桌面设置的自定义快捷键里运行 glimmerhall ctl 命令，效果相同，例如：
</source>
        <translation>

在桌面设置的自定义快捷键里运行 glimmerhall ctl 命令，效果相同，例如：
</translation>
    </message>
    <message>
        <source>

全部命令见 glimmerhall ctl --help 和 man glimmerhall。</source>
        <translation>

全部命令见 glimmerhall ctl --help 和 man glimmerhall。</translation>
    </message>
    <message>
        <source>直播叠加正在启动，请稍候再试</source>
        <translation>直播叠加正在启动，请稍候再试</translation>
    </message>
    <message>
        <source>新的控制令牌已复制，旧的不再有效。</source>
        <translation>新的控制令牌已复制，旧的不再有效。</translation>
    </message>
    <message>
        <source>新的控制令牌已复制，旧的不再有效。
</source>
        <translation>新的控制令牌已复制，旧的不再有效。
</translation>
    </message>
    <message>
        <source>控制令牌</source>
        <translation>控制令牌</translation>
    </message>
    <message>
        <source>复制直播叠加地址 · </source>
        <translation>复制直播叠加地址 · </translation>
    </message>
    <message>
        <source>复制控制令牌</source>
        <translation>复制控制令牌</translation>
    </message>
    <message>
        <source>没有可用的控制令牌</source>
        <translation>没有可用的控制令牌</translation>
    </message>
    <message>
        <source>生成新的控制令牌</source>
        <translation>生成新的控制令牌</translation>
    </message>
    <message>
        <source>全局快捷键</source>
        <translation>全局快捷键</translation>
    </message>
    <message>
        <source>直播叠加</source>
        <translation>直播叠加</translation>
    </message>
    <message>
        <source>
地址已复制：</source>
        <translation>
地址已复制：</translation>
    </message>
    <message>
        <source>连接 OBS…</source>
        <translation>连接 OBS…</translation>
    </message>
    <message>
        <source>加入 OBS · </source>
        <translation>加入 OBS · </translation>
    </message>
    <message>
        <source>加入 OBS</source>
        <translation>加入 OBS</translation>
    </message>
    <message>
        <source>手机遥控…</source>
        <translation>手机遥控…</translation>
    </message>
</context>
<context>
    <name>command line</name>
    <message>
        <source>option &apos;--overlay-port&apos; needs a port number</source>
        <translation>选项 &apos;--overlay-port&apos; 需要一个端口号</translation>
    </message>
    <message>
        <source>invalid overlay port &apos;%1&apos;: give a whole number from 0 to 65535</source>
        <translation>无效的直播叠加端口 &apos;%1&apos;：请给出 0 到 65535 的整数</translation>
    </message>
    <message>
        <source>unrecognised option &apos;%1&apos;</source>
        <translation>无法识别的选项 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>多余的参数 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Usage: glimmerhall [--overlay-port N] [--new-instance]
       glimmerhall ctl COMMAND [ARGUMENTS]
       glimmerhall verify GAME SEED [PHRASE] --round N ...
       glimmerhall --help | --version | ctl --help | verify --help
</source>
        <translation>用法：glimmerhall [--overlay-port N] [--new-instance]
      glimmerhall ctl 命令 [参数]
      glimmerhall verify 游戏 种子 [口令] --round N ...
      glimmerhall --help | --version | ctl --help | verify --help
</translation>
    </message>
    <message>
        <source>
Party games for hosts of live video streams, played between two players and
opened from one catalogue window.

Options:
  --overlay-port N  serve the live overlays on 127.0.0.1, port N (0 to 65535);
                    default %1, 0 turns the live overlays off. Also settable as
                    &apos;port&apos; in section [overlay] of
                    ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini
  --new-instance    start another copy even when one is running; it takes no
                    ctl commands (without it, a second start raises the first)
  -h, --help        show this help and exit
  --version         show the version and exit

Commands to the running program: glimmerhall ctl --help
Checking a game&apos;s revealed draw from its published seed, phrase and outcome
(no running program needed): glimmerhall verify --help

</source>
        <translation>
直播间的派对小游戏，两位玩家对战，从一个游戏目录窗口打开。

选项：
  --overlay-port N  在 127.0.0.1 的端口 N（0 到 65535）提供直播叠加；
                    默认 %1，0 表示关闭直播叠加。也可在
                    ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini
                    的 [overlay] 一节用 &apos;port&apos; 设定
  --new-instance    即使已有一份在运行，也再启动一份；它不接受 ctl 命令
                    （不加此项时，再次启动只会把第一份带到前面）
  -h, --help        显示本帮助并退出
  --version         显示版本并退出

给运行中程序的命令：glimmerhall ctl --help
用公布的种子、口令和结果核对一局开奖（无需程序在运行）：
glimmerhall verify --help

</translation>
    </message>
    <message>
        <source>Live overlays: off.
</source>
        <translation>直播叠加：已关闭。
</translation>
    </message>
    <message>
        <source>Live overlays, as browser sources for streaming software:
</source>
        <translation>直播叠加（直播软件的浏览器来源）：
</translation>
    </message>
</context>
<context>
    <name>ctl</name>
    <message>
        <source>no program is running in this session (%1)</source>
        <translation>这个会话里没有在运行的程序（%1）</translation>
    </message>
    <message>
        <source>no answer from the running program (%1)</source>
        <translation>运行中的程序没有回答（%1）</translation>
    </message>
    <message>
        <source>it closed the connection</source>
        <translation>它关闭了连接</translation>
    </message>
    <message>
        <source>an argument is not UTF-8 text; the program reads UTF-8 only (参数不是有效的 UTF-8 文字)</source>
        <translation>参数不是有效的 UTF-8 文字；程序只读取 UTF-8</translation>
    </message>
    <message>
        <source>ctl needs a command</source>
        <translation>ctl 需要一个命令</translation>
    </message>
    <message>
        <source>&apos;%1&apos; takes %2 argument(s); see &apos;glimmerhall ctl --help&apos;</source>
        <translation>&apos;%1&apos; 需要 %2 个参数；见 &apos;glimmerhall ctl --help&apos;</translation>
    </message>
    <message>
        <source>invalid %1 &apos;%2&apos; for &apos;%3&apos;</source>
        <translation>&apos;%3&apos; 的 %1 无效：&apos;%2&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is too long: a request takes at most %2 bytes (命令太长)</source>
        <translation>命令太长：&apos;%1&apos; 超过了一个请求最多的 %2 字节</translation>
    </message>
    <message>
        <source>unknown ctl command &apos;%1&apos;; see &apos;glimmerhall ctl --help&apos;</source>
        <translation>没有这个 ctl 命令：&apos;%1&apos;；见 &apos;glimmerhall ctl --help&apos;</translation>
    </message>
    <message>
        <source>Usage: glimmerhall ctl COMMAND [ARGUMENTS]  (glimmerhall ctl --help lists them)
</source>
        <translation>用法：glimmerhall ctl 命令 [参数]（glimmerhall ctl --help 列出全部命令）
</translation>
    </message>
    <message>
        <source>Usage: glimmerhall ctl COMMAND [ARGUMENTS]

Sends one command to the program running in this user&apos;s session and prints its
answer. Commands act as the game windows&apos; own buttons and keys do.

Commands:
</source>
        <translation>用法：glimmerhall ctl 命令 [参数]

向本用户会话里运行的程序发送一个命令，并打印它的回答。
命令的效果与游戏窗口自己的按钮和按键相同。

命令：
</translation>
    </message>
    <message>
        <source>
Exit status: 0 done; 1 refused (the reason on standard error: the game is not
open, the action is not allowed now, a message box is open, a value it cannot
take); 2 usage error; 3 no program running.
</source>
        <translation>
退出码：0 完成；1 被拒绝（原因写在标准错误：游戏没有打开、现在不能这样做、
有对话框开着、取值不被接受）；2 用法错误；3 没有在运行的程序。
</translation>
    </message>
    <message>
        <source>缺少参数：</source>
        <translation>缺少参数：</translation>
    </message>
    <message>
        <source>（不是数字或文字）</source>
        <translation>（不是数字或文字）</translation>
    </message>
    <message>
        <source>玩家只能是 1 或 2：</source>
        <translation>玩家只能是 1 或 2：</translation>
    </message>
    <message>
        <source>%1 应是 %2 到 %3 的整数：%4</source>
        <translation>%1 应是 %2 到 %3 的整数：%4</translation>
    </message>
    <message>
        <source>没有这个游戏：</source>
        <translation>没有这个游戏：</translation>
    </message>
    <message>
        <source>有对话框开着，请先处理它</source>
        <translation>有对话框开着，请先处理它</translation>
    </message>
    <message>
        <source>没有这个命令：</source>
        <translation>没有这个命令：</translation>
    </message>
    <message>
        <source> 没有打开</source>
        <translation> 没有打开</translation>
    </message>
    <message>
        <source>请求不是有效的 UTF-8 文字</source>
        <translation>请求不是有效的 UTF-8 文字</translation>
    </message>
    <message>
        <source>请求不是一个 JSON 对象</source>
        <translation>请求不是一个 JSON 对象</translation>
    </message>
    <message>
        <source>&apos;%1&apos; does not take &apos;%2&apos;; see &apos;glimmerhall ctl --help&apos;</source>
        <translation>&apos;%1&apos; 不接受 &apos;%2&apos;；见 &apos;glimmerhall ctl --help&apos;</translation>
    </message>
</context>
<context>
    <name>hotkeys</name>
    <message>
        <source>，全局快捷键按默认设置</source>
        <translation>，全局快捷键按默认设置</translation>
    </message>
    <message>
        <source>[hotkeys] 只读取前 %1 行，其余 %2 行没有读取</source>
        <translation>[hotkeys] 只读取前 %1 行，其余 %2 行没有读取</translation>
    </message>
    <message>
        <source>桌面没有全局快捷键门户</source>
        <translation>桌面没有全局快捷键门户</translation>
    </message>
    <message>
        <source>桌面上取消了快捷键的设置</source>
        <translation>桌面上取消了快捷键的设置</translation>
    </message>
    <message>
        <source>桌面没能设置快捷键</source>
        <translation>桌面没能设置快捷键</translation>
    </message>
    <message>
        <source>桌面没有给出快捷键会话</source>
        <translation>桌面没有给出快捷键会话</translation>
    </message>
    <message>
        <source>设置文件的 [hotkeys] 一节里没有可用的全局快捷键：%1</source>
        <translation>设置文件的 [hotkeys] 一节里没有可用的全局快捷键：%1</translation>
    </message>
    <message>
        <source>%1 个全局快捷键在任何窗口有焦点时都能用（设置文件 %2 的 [hotkeys] 一节）：
%3</source>
        <translation>%1 个全局快捷键在任何窗口有焦点时都能用（设置文件 %2 的 [hotkeys] 一节）：
%3</translation>
    </message>
    <message>
        <source>这些快捷键被其他程序占用，没有启用：
</source>
        <translation>这些快捷键被其他程序占用，没有启用：
</translation>
    </message>
    <message>
        <source>全局快捷键</source>
        <translation>全局快捷键</translation>
    </message>
    <message>
        <source>正在向桌面登记全局快捷键…</source>
        <translation>正在向桌面登记全局快捷键…</translation>
    </message>
</context>
<context>
    <name>obs</name>
    <message>
        <source>已连上 OBS %1。</source>
        <translation>已连上 OBS %1。</translation>
    </message>
    <message>
        <source>它有浏览器源：游戏会作为浏览器源加入。</source>
        <translation>它有浏览器源：游戏会作为浏览器源加入。</translation>
    </message>
    <message>
        <source>它没有浏览器源：游戏会用 OBS 自带的文字和图片源画出。</source>
        <translation>它没有浏览器源：游戏会用 OBS 自带的文字和图片源画出。</translation>
    </message>
    <message>
        <source>正在连接 OBS…</source>
        <translation>正在连接 OBS…</translation>
    </message>
    <message>
        <source>测试连接</source>
        <translation>测试连接</translation>
    </message>
    <message>
        <source>连接 OBS</source>
        <translation>连接 OBS</translation>
    </message>
    <message>
        <source>OBS 28 以后自带 WebSocket 服务器：在 OBS 的 工具 → WebSocket 服务器设置 里打开它，点“显示连接信息”，把端口和密码填在这里。</source>
        <translation>OBS 28 以后自带 WebSocket 服务器：在 OBS 的 工具 → WebSocket 服务器设置 里打开它，点“显示连接信息”，把端口和密码填在这里。</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>没能保存：</source>
        <translation>没能保存：</translation>
    </message>
    <message>
        <source>OBS 没有开着，或它的 WebSocket 服务器没有打开（在 OBS 的 工具 → WebSocket 服务器设置 里打开，端口与这里的地址一致）</source>
        <translation>OBS 没有开着，或它的 WebSocket 服务器没有打开（在 OBS 的 工具 → WebSocket 服务器设置 里打开，端口与这里的地址一致）</translation>
    </message>
    <message>
        <source>OBS 没有回应</source>
        <translation>OBS 没有回应</translation>
    </message>
    <message>
        <source>与 OBS 的连接断开了</source>
        <translation>与 OBS 的连接断开了</translation>
    </message>
    <message>
        <source>OBS 的地址应像 ws://127.0.0.1:4455 这样：</source>
        <translation>OBS 的地址应像 ws://127.0.0.1:4455 这样：</translation>
    </message>
    <message>
        <source>程序缺少与 OBS 通信的模块 glimmer_obs_socket</source>
        <translation>程序缺少与 OBS 通信的模块 glimmer_obs_socket</translation>
    </message>
    <message>
        <source>OBS 不接受这个密码：请在 OBS 的 工具 → WebSocket 服务器设置 里点“显示连接信息”，把密码抄过来</source>
        <translation>OBS 不接受这个密码：请在 OBS 的 工具 → WebSocket 服务器设置 里点“显示连接信息”，把密码抄过来</translation>
    </message>
    <message>
        <source>这个 OBS 的 WebSocket 版本太旧，请用 OBS 28 或更新的版本</source>
        <translation>这个 OBS 的 WebSocket 版本太旧，请用 OBS 28 或更新的版本</translation>
    </message>
    <message>
        <source>OBS 关掉了，或断开了连接；它回来时会自动连上</source>
        <translation>OBS 关掉了，或断开了连接；它回来时会自动连上</translation>
    </message>
    <message>
        <source>没有连上 OBS</source>
        <translation>没有连上 OBS</translation>
    </message>
    <message>
        <source>OBS 没有及时回答</source>
        <translation>OBS 没有及时回答</translation>
    </message>
    <message>
        <source>OBS 里找不到它，也许刚被删掉了</source>
        <translation>OBS 里找不到它，也许刚被删掉了</translation>
    </message>
    <message>
        <source>这个 OBS 没有这种源</source>
        <translation>这个 OBS 没有这种源</translation>
    </message>
    <message>
        <source>OBS 拒绝了这个请求，代码 %1</source>
        <translation>OBS 拒绝了这个请求，代码 %1</translation>
    </message>
    <message>
        <source>没有连上 OBS：</source>
        <translation>没有连上 OBS：</translation>
    </message>
    <message>
        <source>OBS 里没有叫「%1」的场景</source>
        <translation>OBS 里没有叫「%1」的场景</translation>
    </message>
    <message>
        <source>写不了 OBS 要显示的图片：</source>
        <translation>写不了 OBS 要显示的图片：</translation>
    </message>
    <message>
        <source>这个 OBS 没有浏览器源，而这个游戏没有别的画法</source>
        <translation>这个 OBS 没有浏览器源，而这个游戏没有别的画法</translation>
    </message>
    <message>
        <source>OBS 里已有一个叫「%1」的源，种类是 %2，程序没有动它；把它改名或删掉后再试</source>
        <translation>OBS 里已有一个叫「%1」的源，种类是 %2，程序没有动它；把它改名或删掉后再试</translation>
    </message>
    <message>
        <source>OBS 里已有一个叫「%1」的场景，程序没有动它；把它改名或删掉后再试</source>
        <translation>OBS 里已有一个叫「%1」的场景，程序没有动它；把它改名或删掉后再试</translation>
    </message>
    <message>
        <source>直播叠加没有开着，浏览器源没有地址可用</source>
        <translation>直播叠加没有开着，浏览器源没有地址可用</translation>
    </message>
    <message>
        <source> 没有加入 OBS：</source>
        <translation> 没有加入 OBS：</translation>
    </message>
    <message>
        <source>%1 已作为浏览器源加入场景「%2」，因为这个 OBS 有浏览器源。</source>
        <translation>%1 已作为浏览器源加入场景「%2」，因为这个 OBS 有浏览器源。</translation>
    </message>
    <message>
        <source>%1 已用 OBS 自带的文字和图片源加入场景「%2」，因为这个 OBS 没有浏览器源（Debian 的 OBS 就是这样）；程序会随游戏更新这些文字和图片。</source>
        <translation>%1 已用 OBS 自带的文字和图片源加入场景「%2」，因为这个 OBS 没有浏览器源（Debian 的 OBS 就是这样）；程序会随游戏更新这些文字和图片。</translation>
    </message>
    <message>
        <source>场景「%1」里还有别的源，留下了它</source>
        <translation>场景「%1」里还有别的源，留下了它</translation>
    </message>
    <message>
        <source>：</source>
        <translation>：</translation>
    </message>
    <message>
        <source>；</source>
        <translation>；</translation>
    </message>
    <message>
        <source>%1 已从 OBS 拿走。</source>
        <translation>%1 已从 OBS 拿走。</translation>
    </message>
    <message>
        <source>%1 不在 OBS 里。</source>
        <translation>%1 不在 OBS 里。</translation>
    </message>
    <message>
        <source>没有连上 OBS（%1）：</source>
        <translation>没有连上 OBS（%1）：</translation>
    </message>
    <message>
        <source>没有设地址</source>
        <translation>没有设地址</translation>
    </message>
    <message>
        <source>已连上 OBS %1（%2）</source>
        <translation>已连上 OBS %1（%2）</translation>
    </message>
    <message>
        <source>当前场景：%1</source>
        <translation>当前场景：%1</translation>
    </message>
    <message>
        <source>有浏览器源</source>
        <translation>有浏览器源</translation>
    </message>
    <message>
        <source>没有浏览器源，游戏用 OBS 自带的文字和图片源画出</source>
        <translation>没有浏览器源，游戏用 OBS 自带的文字和图片源画出</translation>
    </message>
    <message>
        <source>浏览器源</source>
        <translation>浏览器源</translation>
    </message>
    <message>
        <source>文字和图片源</source>
        <translation>文字和图片源</translation>
    </message>
    <message>
        <source>未加入</source>
        <translation>未加入</translation>
    </message>
</context>
<context>
    <name>overlay</name>
    <message>
        <source>the overlay module cannot be loaded</source>
        <translation>直播叠加模块无法加载</translation>
    </message>
    <message>
        <source>port %1 is taken or not available; no overlays</source>
        <translation>端口 %1 已被占用或不可用；没有直播叠加</translation>
    </message>
    <message>
        <source>，端口已改用 %1</source>
        <translation>，端口已改用 %1</translation>
    </message>
    <message>
        <source>%1 中 [overlay] port 的值 “%2” 无效，已改用 %3</source>
        <translation>%1 中 [overlay] port 的值 “%2” 无效，已改用 %3</translation>
    </message>
    <message>
        <source>直播叠加未开启：端口 %1 无效</source>
        <translation>直播叠加未开启：端口 %1 无效</translation>
    </message>
    <message>
        <source>直播叠加已关闭（端口设为 0）</source>
        <translation>直播叠加已关闭（端口设为 0）</translation>
    </message>
    <message>
        <source>直播叠加未开启：端口 %1 已被占用或不可用</source>
        <translation>直播叠加未开启：端口 %1 已被占用或不可用</translation>
    </message>
    <message>
        <source>直播叠加（OBS 浏览器来源）：%1
</source>
        <translation>直播叠加（OBS 浏览器来源）：%1
</translation>
    </message>
</context>
<context>
    <name>page</name>
    <message>
        <source>龙虎骰子</source>
        <translation>龙虎骰子</translation>
    </message>
    <message>
        <source>战绩</source>
        <translation>战绩</translation>
    </message>
    <message>
        <source>色子</source>
        <translation>色子</translation>
    </message>
    <message>
        <source>局况</source>
        <translation>局况</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>公平性</source>
        <translation>公平性</translation>
    </message>
    <message>
        <source>开箱扫雷</source>
        <translation>开箱扫雷</translation>
    </message>
    <message>
        <source>剩余地雷</source>
        <translation>剩余地雷</translation>
    </message>
    <message>
        <source>阶段</source>
        <translation>阶段</translation>
    </message>
    <message>
        <source>箱子</source>
        <translation>箱子</translation>
    </message>
    <message>
        <source>PK 计分</source>
        <translation>PK 计分</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>名字</translation>
    </message>
    <message>
        <source>总数</source>
        <translation>总数</translation>
    </message>
    <message>
        <source>领先</source>
        <translation>领先</translation>
    </message>
    <message>
        <source>相差</source>
        <translation>相差</translation>
    </message>
    <message>
        <source>Glimmerhall 直播叠加</source>
        <translation>Glimmerhall 直播叠加</translation>
    </message>
    <message>
        <source>在 OBS 中添加“浏览器”来源，填入下面的地址和大小。</source>
        <translation>在 OBS 中添加“浏览器”来源，填入下面的地址和大小。</translation>
    </message>
    <message>
        <source>游戏</source>
        <translation>游戏</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>建议大小</source>
        <translation>建议大小</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>底色</source>
        <translation>底色</translation>
    </message>
    <message>
        <source>深色</source>
        <translation>深色</translation>
    </message>
    <message>
        <source>浅色</source>
        <translation>浅色</translation>
    </message>
    <message>
        <source>无底色</source>
        <translation>无底色</translation>
    </message>
    <message>
        <source>强调色</source>
        <translation>强调色</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>字体</translation>
    </message>
    <message>
        <source>黑体</source>
        <translation>黑体</translation>
    </message>
    <message>
        <source>宋体</source>
        <translation>宋体</translation>
    </message>
    <message>
        <source>楷体</source>
        <translation>楷体</translation>
    </message>
    <message>
        <source>等宽</source>
        <translation>等宽</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>靠左</source>
        <translation>靠左</translation>
    </message>
    <message>
        <source>居中</source>
        <translation>居中</translation>
    </message>
    <message>
        <source>靠右</source>
        <translation>靠右</translation>
    </message>
    <message>
        <source>隐藏：</source>
        <translation>隐藏：</translation>
    </message>
    <message>
        <source>复制地址</source>
        <translation>复制地址</translation>
    </message>
    <message>
        <source>已复制</source>
        <translation>已复制</translation>
    </message>
    <message>
        <source>已打开</source>
        <translation>已打开</translation>
    </message>
    <message>
        <source>未打开</source>
        <translation>未打开</translation>
    </message>
    <message>
        <source>公平验证</source>
        <translation>公平验证</translation>
    </message>
    <message>
        <source>种子</source>
        <translation>种子</translation>
    </message>
    <message>
        <source>口令</source>
        <translation>口令</translation>
    </message>
    <message>
        <source>轮次</source>
        <translation>轮次</translation>
    </message>
    <message>
        <source>承诺</source>
        <translation>承诺</translation>
    </message>
    <message>
        <source>核对</source>
        <translation>核对</translation>
    </message>
    <message>
        <source>填写有误：</source>
        <translation>填写有误：</translation>
    </message>
    <message>
        <source>种子应是 64 个十六进制数字</source>
        <translation>种子应是 64 个十六进制数字</translation>
    </message>
    <message>
        <source>承诺应是 64 个十六进制数字</source>
        <translation>承诺应是 64 个十六进制数字</translation>
    </message>
    <message>
        <source>承诺与种子不符（种子的 SHA-256 是 </source>
        <translation>承诺与种子不符（种子的 SHA-256 是 </translation>
    </message>
    <message>
        <source>）</source>
        <translation>）</translation>
    </message>
    <message>
        <source>没有这个游戏</source>
        <translation>没有这个游戏</translation>
    </message>
    <message>
        <source>对不上</source>
        <translation>对不上</translation>
    </message>
    <message>
        <source>核对无误</source>
        <translation>核对无误</translation>
    </message>
    <message>
        <source>出错了：</source>
        <translation>出错了：</translation>
    </message>
    <message>
        <source>在你的浏览器里重算：这一页不向任何地方发送任何东西。种子的 SHA-256 应等于开局前公布的承诺；
第 n 块随机数是 HMAC-SHA256（密钥＝种子的 32 个字节，消息＝UTF-8 的 “glimmerhall-draw|游戏|轮次|n|口令”），n 从 0 起；
每块的 32 个字节依次按 4 个字节一组读成大端无符号数 x（每块 8 个），x ≥ 2^32 − 2^32 mod 范围 时丢弃、读下一个，否则取 下限 + x mod 范围。</source>
        <translation>在你的浏览器里重算：这一页不向任何地方发送任何东西。种子的 SHA-256 应等于开局前公布的承诺；
第 n 块随机数是 HMAC-SHA256（密钥＝种子的 32 个字节，消息＝UTF-8 的 “glimmerhall-draw|游戏|轮次|n|口令”），n 从 0 起；
每块的 32 个字节依次按 4 个字节一组读成大端无符号数 x（每块 8 个），x ≥ 2^32 − 2^32 mod 范围 时丢弃、读下一个，否则取 下限 + x mod 范围。</translation>
    </message>
    <message>
        <source>摇的次数应是 1 到 1000</source>
        <translation>摇的次数应是 1 到 1000</translation>
    </message>
    <message>
        <source>胜方应是 left 或 right</source>
        <translation>胜方应是 left 或 right</translation>
    </message>
    <message>
        <source>点数应写成 龙-虎，如 5-2</source>
        <translation>点数应写成 龙-虎，如 5-2</translation>
    </message>
    <message>
        <source>龙（玩家一）</source>
        <translation>龙（玩家一）</translation>
    </message>
    <message>
        <source>虎（玩家二）</source>
        <translation>虎（玩家二）</translation>
    </message>
    <message>
        <source>点数 </source>
        <translation>点数 </translation>
    </message>
    <message>
        <source>（龙 </source>
        <translation>（龙 </translation>
    </message>
    <message>
        <source> 点，虎 </source>
        <translation> 点，虎 </translation>
    </message>
    <message>
        <source> 点）</source>
        <translation> 点）</translation>
    </message>
    <message>
        <source>胜方 </source>
        <translation>胜方 </translation>
    </message>
    <message>
        <source>胜方不符：算出来是 </source>
        <translation>胜方不符：算出来是 </translation>
    </message>
    <message>
        <source>点数不符：算出来是 </source>
        <translation>点数不符：算出来是 </translation>
    </message>
    <message>
        <source>箱子数量应是 0 到 100000</source>
        <translation>箱子数量应是 0 到 100000</translation>
    </message>
    <message>
        <source>地雷数量要比箱子少</source>
        <translation>地雷数量要比箱子少</translation>
    </message>
    <message>
        <source>有雷的箱子写成 1,4 这样</source>
        <translation>有雷的箱子写成 1,4 这样</translation>
    </message>
    <message>
        <source>有雷的箱子 </source>
        <translation>有雷的箱子 </translation>
    </message>
    <message>
        <source>没有</source>
        <translation>没有</translation>
    </message>
    <message>
        <source>有雷的箱子不符：算出来是 </source>
        <translation>有雷的箱子不符：算出来是 </translation>
    </message>
    <message>
        <source>  口令 </source>
        <translation>  口令 </translation>
    </message>
    <message>
        <source>种子 </source>
        <translation>种子 </translation>
    </message>
    <message>
        <source>承诺 </source>
        <translation>承诺 </translation>
    </message>
    <message>
        <source>｜</source>
        <translation>｜</translation>
    </message>
    <message>
        <source>第%1轮 </source>
        <translation>第%1轮 </translation>
    </message>
    <message>
        <source>第%1局 </source>
        <translation>第%1局 </translation>
    </message>
</context>
<context>
    <name>remote</name>
    <message>
        <source>程序缺少手机遥控的模块 glimmer_overlay</source>
        <translation>程序缺少手机遥控的模块 glimmer_overlay</translation>
    </message>
    <message>
        <source>没有可用的局域网地址（10.x、172.16–31.x、192.168.x），或端口 %1 被占用：手机遥控没有打开</source>
        <translation>没有可用的局域网地址（10.x、172.16–31.x、192.168.x），或端口 %1 被占用：手机遥控没有打开</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>只看</source>
        <translation>只看</translation>
    </message>
    <message>
        <source>未见过</source>
        <translation>未见过</translation>
    </message>
    <message>
        <source>没有配对的设备</source>
        <translation>没有配对的设备</translation>
    </message>
    <message>
        <source>手机遥控已关闭</source>
        <translation>手机遥控已关闭</translation>
    </message>
    <message>
        <source>手机遥控开着：</source>
        <translation>手机遥控开着：</translation>
    </message>
    <message>
        <source>手机遥控关着</source>
        <translation>手机遥控关着</translation>
    </message>
    <message>
        <source>手机遥控关着：先用 glimmerhall ctl remote on 打开它</source>
        <translation>手机遥控关着：先用 glimmerhall ctl remote on 打开它</translation>
    </message>
    <message>
        <source>二维码写不了：</source>
        <translation>二维码写不了：</translation>
    </message>
    <message>
        <source>角色只能是 operate 或 view：</source>
        <translation>角色只能是 operate 或 view：</translation>
    </message>
    <message>
        <source>没有这台设备：</source>
        <translation>没有这台设备：</translation>
    </message>
    <message>
        <source>已移除</source>
        <translation>已移除</translation>
    </message>
    <message>
        <source>打开手机遥控（局域网）</source>
        <translation>打开手机遥控（局域网）</translation>
    </message>
    <message>
        <source>新的配对码</source>
        <translation>新的配对码</translation>
    </message>
    <message>
        <source>全部移除</source>
        <translation>全部移除</translation>
    </message>
    <message>
        <source>手机遥控</source>
        <translation>手机遥控</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>名字</translation>
    </message>
    <message>
        <source>角色</source>
        <translation>角色</translation>
    </message>
    <message>
        <source>最后见到</source>
        <translation>最后见到</translation>
    </message>
    <message>
        <source>最近操作</source>
        <translation>最近操作</translation>
    </message>
    <message>
        <source>手机遥控只在这台电脑的局域网地址上开着，没有加密（手机浏览器不接受自签名证书）：同一网络里的人能看到往来的内容，但没有配对的设备什么也改不了。配对码 5 分钟内只能用一次；每个请求都用设备自己的密钥签名。</source>
        <translation>手机遥控只在这台电脑的局域网地址上开着，没有加密（手机浏览器不接受自签名证书）：同一网络里的人能看到往来的内容，但没有配对的设备什么也改不了。配对码 5 分钟内只能用一次；每个请求都用设备自己的密钥签名。</translation>
    </message>
    <message>
        <source>手机遥控关着。打开后，场控用手机扫二维码配对，就能在手机上加分、摇色子、开箱子。</source>
        <translation>手机遥控关着。打开后，场控用手机扫二维码配对，就能在手机上加分、摇色子、开箱子。</translation>
    </message>
    <message>
        <source>手机连同一个局域网后打开：
</source>
        <translation>手机连同一个局域网后打开：
</translation>
    </message>
    <message>
        <source>扫码配对（5 分钟内有效，只能用一次）：
</source>
        <translation>扫码配对（5 分钟内有效，只能用一次）：
</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>地址不是这个遥控的</source>
        <translation>地址不是这个遥控的</translation>
    </message>
    <message>
        <source>不接受别的网页发来的请求</source>
        <translation>不接受别的网页发来的请求</translation>
    </message>
    <message>
        <source>按得太快了，请稍等</source>
        <translation>按得太快了，请稍等</translation>
    </message>
    <message>
        <source>名字不能是空的</source>
        <translation>名字不能是空的</translation>
    </message>
    <message>
        <source>没有这个请求</source>
        <translation>没有这个请求</translation>
    </message>
    <message>
        <source>配对码不对，或已用过、已过期：请在主播的“手机遥控…”里重新扫码</source>
        <translation>配对码不对，或已用过、已过期：请在主播的“手机遥控…”里重新扫码</translation>
    </message>
    <message>
        <source>手机 </source>
        <translation>手机 </translation>
    </message>
    <message>
        <source>这台设备没有配对，或已被主播移除</source>
        <translation>这台设备没有配对，或已被主播移除</translation>
    </message>
    <message>
        <source>手机的时间与电脑相差超过 30 秒：请校准手机时间</source>
        <translation>手机的时间与电脑相差超过 30 秒：请校准手机时间</translation>
    </message>
    <message>
        <source>签名不对</source>
        <translation>签名不对</translation>
    </message>
    <message>
        <source>这个请求已经用过（重放）</source>
        <translation>这个请求已经用过（重放）</translation>
    </message>
    <message>
        <source>这台设备只能看，不能操作</source>
        <translation>这台设备只能看，不能操作</translation>
    </message>
    <message>
        <source>请求不是一个 JSON 对象</source>
        <translation>请求不是一个 JSON 对象</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>配对设备的文件读不了，已移到 %1；请重新配对</source>
        <translation>配对设备的文件读不了，已移到 %1；请重新配对</translation>
    </message>
    <message>
        <source>配对设备的文件写不了：</source>
        <translation>配对设备的文件写不了：</translation>
    </message>
    <message>
        <source>手机：</source>
        <translation>手机：</translation>
    </message>
</context>
<context>
    <name>verify</name>
    <message>
        <source>
Checks a revealed draw of a game (%1) from what the overlay and the
&quot;公平验证&quot; box published, without the program running: recomputes the outcome from
the seed (64 hex digits) and the phrase (omit it or give &apos;&apos; when there was none),
prints it, and compares it with whatever of the commitment and the outcome is given.
A phrase that starts with a dash goes after &apos;--&apos;, at the end.

  --round N          the draw&apos;s round number
  --commitment HEX   the published SHA-256 of the seed
</source>
        <translation>
用直播叠加和“公平验证”框公布的内容核对一局开奖（%1），无需程序在运行：
由种子（64 位十六进制）和口令（没有口令时省略或写 &apos;&apos;）重新算出结果并打印，
再与给出的承诺和结果逐项比较。以短横线开头的口令放在最后的 &apos;--&apos; 之后。

  --round N          开奖的轮次
  --commitment HEX   公布的种子 SHA-256
</translation>
    </message>
    <message>
        <source>verify needs a game: %1</source>
        <translation>verify 需要一个游戏：%1</translation>
    </message>
    <message>
        <source>unknown game &apos;%1&apos;: %2</source>
        <translation>没有这个游戏 &apos;%1&apos;：%2</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos; for %2 (a phrase that starts with a dash goes after &apos;--&apos;)</source>
        <translation>%2 没有选项 &apos;%1&apos;（以短横线开头的口令放在 &apos;--&apos; 之后）</translation>
    </message>
    <message>
        <source>option &apos;--%1&apos; given twice</source>
        <translation>选项 &apos;--%1&apos; 给了两次</translation>
    </message>
    <message>
        <source>verify %1 needs the seed</source>
        <translation>verify %1 需要种子</translation>
    </message>
    <message>
        <source>too many words: a phrase with blanks goes in quotes</source>
        <translation>参数太多：带空格的口令请用引号括起来</translation>
    </message>
    <message>
        <source>the seed must be 64 hex digits</source>
        <translation>种子应是 64 位十六进制数</translation>
    </message>
    <message>
        <source>--%1 is needed</source>
        <translation>需要 --%1</translation>
    </message>
    <message>
        <source>invalid round &apos;%1&apos;</source>
        <translation>无效的轮次 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>the commitment must be 64 hex digits</source>
        <translation>承诺应是 64 位十六进制数</translation>
    </message>
    <message>
        <source>the commitment does not match the seed: SHA-256 of the seed is %1</source>
        <translation>承诺与种子不符：种子的 SHA-256 是 %1</translation>
    </message>
    <message>
        <source>%1 round %2
seed       %3
phrase     %4
commitment %5%6</source>
        <translation>%1 第 %2 轮
种子  %3
口令  %4
承诺  %5%6</translation>
    </message>
    <message>
        <source> (matches)</source>
        <translation>（相符）</translation>
    </message>
    <message>
        <source> (differs)</source>
        <translation>（不符）</translation>
    </message>
    <message>
        <source>摇的次数</source>
        <translation>摇的次数</translation>
    </message>
    <message>
        <source>the turn&apos;s number of throws (1 to %1); the last one decides</source>
        <translation>这一局摇的次数（1 到 %1）；最后一次定胜负</translation>
    </message>
    <message>
        <source>胜方</source>
        <translation>胜方</translation>
    </message>
    <message>
        <source>left 或 right</source>
        <translation>left 或 right</translation>
    </message>
    <message>
        <source>left (dragon, player one) or right (tiger, player two)</source>
        <translation>left（龙，玩家一）或 right（虎，玩家二）</translation>
    </message>
    <message>
        <source>点数</source>
        <translation>点数</translation>
    </message>
    <message>
        <source>龙-虎，如 5-2</source>
        <translation>龙-虎，如 5-2</translation>
    </message>
    <message>
        <source>the last throw&apos;s dragon and tiger faces, e.g. 5-2</source>
        <translation>最后一次的龙、虎点数，如 5-2</translation>
    </message>
    <message>
        <source>invalid throw count &apos;%1&apos;: a turn has 1 to %2 throws</source>
        <translation>无效的次数 &apos;%1&apos;：一局摇 1 到 %2 次</translation>
    </message>
    <message>
        <source>invalid winner &apos;%1&apos;: left or right</source>
        <translation>无效的胜方 &apos;%1&apos;：应是 left 或 right</translation>
    </message>
    <message>
        <source>invalid faces &apos;%1&apos;: dragon-tiger, e.g. 5-2</source>
        <translation>无效的点数 &apos;%1&apos;：应是 龙-虎，如 5-2</translation>
    </message>
    <message>
        <source>throws     %1</source>
        <translation>次数  %1</translation>
    </message>
    <message>
        <source>faces      %1 (dragon %2, tiger %3)</source>
        <translation>点数  %1（龙 %2，虎 %3）</translation>
    </message>
    <message>
        <source>winner     </source>
        <translation>胜方  </translation>
    </message>
    <message>
        <source>left (dragon, player one)</source>
        <translation>龙（玩家一）</translation>
    </message>
    <message>
        <source>right (tiger, player two)</source>
        <translation>虎（玩家二）</translation>
    </message>
    <message>
        <source>the winner does not match: the draw gives </source>
        <translation>胜方不符：开奖结果是 </translation>
    </message>
    <message>
        <source>the faces do not match: the draw gives </source>
        <translation>点数不符：开奖结果是 </translation>
    </message>
    <message>
        <source>箱子数量</source>
        <translation>箱子数量</translation>
    </message>
    <message>
        <source>the burial&apos;s number of boxes</source>
        <translation>埋雷时的箱子数量</translation>
    </message>
    <message>
        <source>地雷数量</source>
        <translation>地雷数量</translation>
    </message>
    <message>
        <source>the burial&apos;s number of mines</source>
        <translation>埋雷时的地雷数量</translation>
    </message>
    <message>
        <source>有雷的箱子</source>
        <translation>有雷的箱子</translation>
    </message>
    <message>
        <source>如 1,4</source>
        <translation>如 1,4</translation>
    </message>
    <message>
        <source>the boxes holding a mine, e.g. 1,4 (&apos;&apos; for none)</source>
        <translation>有雷的箱子，如 1,4（没有时写 &apos;&apos;）</translation>
    </message>
    <message>
        <source>invalid box count &apos;%1&apos;</source>
        <translation>无效的箱子数量 &apos;%1&apos;</translation>
    </message>
    <message>
        <source>invalid mine count &apos;%1&apos;: a burial has fewer mines than boxes</source>
        <translation>无效的地雷数量 &apos;%1&apos;：地雷应比箱子少</translation>
    </message>
    <message>
        <source>invalid box number &apos;%1&apos; in --mine-boxes</source>
        <translation>--mine-boxes 里的箱子号 &apos;%1&apos; 无效</translation>
    </message>
    <message>
        <source>boxes      %1</source>
        <translation>箱子  %1</translation>
    </message>
    <message>
        <source>mines      %1</source>
        <translation>地雷  %1</translation>
    </message>
    <message>
        <source>mine-boxes </source>
        <translation>有雷  </translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>（没有）</translation>
    </message>
    <message>
        <source>the mine boxes do not match: the draw gives </source>
        <translation>有雷的箱子不符：开奖结果是 </translation>
    </message>
    <message>
        <source>Usage: glimmerhall verify GAME SEED [PHRASE] --round N ...  (glimmerhall verify --help)</source>
        <translation>用法：glimmerhall verify 游戏 种子 [口令] --round N ...（glimmerhall verify --help）</translation>
    </message>
    <message>
        <source>Usage: </source>
        <translation>用法：</translation>
    </message>
    <message>
        <source>
Block n of a draw&apos;s stream is HMAC-SHA256(key = the seed&apos;s 32 bytes, message =
UTF-8 &quot;glimmerhall-draw|&lt;game&gt;|&lt;round&gt;|&lt;n&gt;|&lt;phrase&gt;&quot;), n from 0. The blocks&apos;
bytes in turn are read as big-endian 32-bit words x, eight to a block; a draw in
[low, high] throws x back when x &gt;= 2^32 - 2^32 mod span, else gives
low + x mod span.

Exit status: 0 everything given checks; 1 the commitment or the outcome does not
match (the reason on standard error); 2 usage error.
</source>
        <translation>
一局随机数的第 n 块（n 从 0 起）是 HMAC-SHA256（密钥为种子的 32 字节，消息为
UTF-8 的 &quot;glimmerhall-draw|&lt;game&gt;|&lt;round&gt;|&lt;n&gt;|&lt;phrase&gt;&quot;）。各块的字节依次读作
大端 32 位整数 x，每块 8 个；在 [low, high] 中取数时，x &gt;= 2^32 - 2^32 mod span
的舍去，否则取 low + x mod span。

退出码：0 给出的全部相符；1 承诺或结果不符（原因写在标准错误）；2 用法错误。
</translation>
    </message>
    <message>
        <source> or </source>
        <translation> 或 </translation>
    </message>
    <message>
        <source>checks: everything given matches</source>
        <translation>核对：给出的全部相符</translation>
    </message>
    <message>
        <source>recomputed; give --commitment and the outcome to compare them</source>
        <translation>已重新算出；给出 --commitment 和结果即可比较</translation>
    </message>
</context>
</TS>
