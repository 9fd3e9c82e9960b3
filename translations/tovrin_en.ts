<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_TW">
<context>
    <name>AboutWindow</name>
    <message>
        <source>更多說明與常見問題以及關於 Tovrin 請參閱官方首頁 </source>
        <translation>For more help, frequent questions and about Tovrin, see the home page </translation>
    </message>
    <message>
        <source>或讀取 Readme.txt 檔案來提供 Tovrin 支援</source>
        <translation>or read the Readme.txt file for Tovrin support</translation>
    </message>
    <message>
        <source>關於 (中文版 by Orvak)</source>
        <translation>About (by Orvak)</translation>
    </message>
    <message>
        <source>Multimedia 中文版</source>
        <translation>Multimedia</translation>
    </message>
    <message>
        <source>Tovrin 版本資訊與網域位置:-
</source>
        <translation>Tovrin version and web address:-
</translation>
    </message>
    <message>
        <source>Tovrin 程式版本:	1.7.5 Pentium 專業中文版</source>
        <translation>Tovrin program version:	1.7.5 Pentium Professional</translation>
    </message>
    <message>
        <source>Tovrin 撥放器版本:	1.1.0</source>
        <translation>Tovrin player version:	1.1.0</translation>
    </message>
    <message>
        <source>MMS 協定版本:	NSPlayer/7.0.0.1956</source>
        <translation>MMS protocol version:	NSPlayer/7.0.0.1956</translation>
    </message>
    <message>
        <source>釋放日期:	20.01.02</source>
        <translation>Release date:	20.01.02</translation>
    </message>
    <message>
        <source>程式作者	Tovrin 開發團隊</source>
        <translation>Written by	the Tovrin developers</translation>
    </message>
    <message>
        <source>網域位置:	</source>
        <translation>Web address:	</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>DesktopApp</name>
    <message>
        <source>無法列印記錄</source>
        <translation>The log could not be printed</translation>
    </message>
    <message>
        <source>顯示 Tovrin(&amp;S)</source>
        <translation>&amp;Show Tovrin</translation>
    </message>
    <message>
        <source>排程(&amp;C)...</source>
        <translation>S&amp;chedule...</translation>
    </message>
    <message>
        <source>結束(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>排程錄製仍在等候或進行中。
要讓 Tovrin 在系統匣中繼續錄製，還是結束程式？
(結束時，進行中的錄製會停止並儲存)</source>
        <translation>Scheduled recordings are still waiting or under way.
Keep Tovrin recording in the system tray, or quit?
(Quitting stops the recordings under way and saves them)</translation>
    </message>
    <message>
        <source>在系統匣中繼續(&amp;T)</source>
        <translation>Keep in the system &amp;tray</translation>
    </message>
    <message>
        <source>結束程式(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>- 沒有系統匣可用: Tovrin 縮到最小，繼續排程錄製</source>
        <translation>- No system tray is available: Tovrin is minimized and goes on with the scheduled recordings</translation>
    </message>
    <message>
        <source>Tovrin 在系統匣中繼續排程錄製。</source>
        <translation>Tovrin goes on with the scheduled recordings in the system tray.</translation>
    </message>
    <message>
        <source>Tovrin: %1 個排程錄製中</source>
        <translation>Tovrin: %1 scheduled recordings under way</translation>
    </message>
    <message>
        <source>下一個: %1</source>
        <translation>Next: %1</translation>
    </message>
</context>
<context>
    <name>FileChoosers</name>
    <message>
        <source>Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)</source>
        <translation>Windows media files (*.asf;*.wmv;*.wma;*.wm)</translation>
    </message>
    <message>
        <source>WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)</source>
        <translation>WM redirector files (*.asx; *.wmx; *.wax; *.wvx)</translation>
    </message>
    <message>
        <source>Tovrin 記錄檔案 (*.log)</source>
        <translation>Tovrin log files (*.log)</translation>
    </message>
    <message>
        <source>所有檔案 (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
</context>
<context>
    <name>FilePropertiesWindow</name>
    <message>
        <source>檔案性質</source>
        <translation>File properties</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>精簡標題</source>
        <translation>Clip</translation>
    </message>
    <message>
        <source>詳細資料</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>編碼</source>
        <translation>Codecs</translation>
    </message>
    <message>
        <source>統計</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>標題:</source>
        <translation>Title:</translation>
    </message>
    <message>
        <source>作者:</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>著作權:</source>
        <translation>Copyright:</translation>
    </message>
    <message>
        <source>分級:</source>
        <translation>Rating:</translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Location:</translation>
    </message>
    <message>
        <source>描述:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>類型:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>檔案大小:</source>
        <translation>File size:</translation>
    </message>
    <message>
        <source>長度:</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>視訊大小:</source>
        <translation>Video size:</translation>
    </message>
    <message>
        <source>建立日期:</source>
        <translation>Created:</translation>
    </message>
    <message>
        <source>寫入日期:</source>
        <translation>Written:</translation>
    </message>
    <message>
        <source>編碼器:</source>
        <translation>Encoder:</translation>
    </message>
    <message>
        <source>編碼:</source>
        <translation>Codecs:</translation>
    </message>
    <message>
        <source>位元率:</source>
        <translation>Bit rates:</translation>
    </message>
    <message>
        <source>已傳送時間:</source>
        <translation>Time sent:</translation>
    </message>
    <message>
        <source>剩餘時間:</source>
        <translation>Time left:</translation>
    </message>
    <message>
        <source>封包:</source>
        <translation>Packets:</translation>
    </message>
    <message>
        <source>串流數:</source>
        <translation>Streams:</translation>
    </message>
    <message>
        <source>最大位元率:</source>
        <translation>Maximum bit rate:</translation>
    </message>
    <message>
        <source>串流比率:</source>
        <translation>Stream rate:</translation>
    </message>
    <message>
        <source>回應次數:</source>
        <translation>Acknowledgements:</translation>
    </message>
    <message>
        <source>封包大小:</source>
        <translation>Packet size:</translation>
    </message>
    <message>
        <source>用戶端數:</source>
        <translation>Clients:</translation>
    </message>
</context>
<context>
    <name>LogPrinter</name>
    <message>
        <source>Tovrin 記錄列印</source>
        <translation>Tovrin log printout</translation>
    </message>
    <message>
        <source>設定印表機</source>
        <translation>Printer setup</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>時間格式 hh.mm.ss</source>
        <translation>Time as hh.mm.ss</translation>
    </message>
    <message>
        <source>Tovrin Multimedia 中文版 by Orvak</source>
        <translation>Tovrin Multimedia by Orvak</translation>
    </message>
    <message>
        <source> 詳細說明請拜訪: </source>
        <translation> For more help visit: </translation>
    </message>
    <message>
        <source>檔案(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開啟(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>儲存記錄(&amp;S)</source>
        <translation>&amp;Save log</translation>
    </message>
    <message>
        <source>列印記錄(&amp;P)</source>
        <translation>&amp;Print log</translation>
    </message>
    <message>
        <source>設定印表機(&amp;R)...</source>
        <translation>P&amp;rinter setup...</translation>
    </message>
    <message>
        <source>離開(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Setup</translation>
    </message>
    <message>
        <source>檢視設定(&amp;V)</source>
        <translation>&amp;View settings</translation>
    </message>
    <message>
        <source>資訊(&amp;I)</source>
        <translation>&amp;Information</translation>
    </message>
    <message>
        <source>顯示檔案性質(&amp;S)</source>
        <translation>&amp;Show file properties</translation>
    </message>
    <message>
        <source>預覽(&amp;P)</source>
        <translation>&amp;Preview</translation>
    </message>
    <message>
        <source>開啟顯示(&amp;O)</source>
        <translation>&amp;Open monitor</translation>
    </message>
    <message>
        <source>關於 Tovrin monitor(&amp;A)</source>
        <translation>&amp;About Tovrin monitor</translation>
    </message>
    <message>
        <source>說明(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>關於(&amp;A)...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>更多說明(&amp;M)</source>
        <translation>&amp;More help</translation>
    </message>
    <message>
        <source>開啟(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>執行(&amp;G)</source>
        <translation>&amp;Go</translation>
    </message>
    <message>
        <source>放棄(&amp;A)</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>離開(&amp;E)</source>
        <translation>&amp;Exit</translation>
    </message>
    <message>
        <source>已完成下載百分比</source>
        <translation>Percentage downloaded</translation>
    </message>
    <message>
        <source>連接資料記錄</source>
        <translation>Connection log</translation>
    </message>
    <message>
        <source>時間:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>剩餘:</source>
        <translation>Left:</translation>
    </message>
    <message>
        <source>使用備份</source>
        <translation>Standby</translation>
    </message>
    <message>
        <source>連線期間下載記錄</source>
        <translation>Recording a live session</translation>
    </message>
    <message>
        <source>預先下載連線期間的媒介</source>
        <translation>Downloading prerecorded media</translation>
    </message>
    <message>
        <source>開啟一般媒介</source>
        <translation>Opened media</translation>
    </message>
    <message>
        <source>儲存檔案目錄與檔案名稱</source>
        <translation>Save file folder and name</translation>
    </message>
    <message>
        <source>請使用「檔案」-&gt;「開啟」其他路徑，將「MMS://」網址拉下到這裡</source>
        <translation>Use File -&gt; Open for other locations; pick MMS:// addresses here</translation>
    </message>
    <message>
        <source>開啟:</source>
        <translation>Open:</translation>
    </message>
    <message>
        <source>儲存到:</source>
        <translation>Save to:</translation>
    </message>
    <message>
        <source>網址:</source>
        <translation>URL:</translation>
    </message>
    <message>
        <source>排程(&amp;C)...</source>
        <translation>S&amp;chedule...</translation>
    </message>
</context>
<context>
    <name>OpenLocationWindow</name>
    <message>
        <source>開啟</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>開啟:</source>
        <translation>Open:</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>瀏覽...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>請為您想要存取的媒介名稱分配位址，無論是在網際網路上或在於您本地的電腦上。Tovrin 將會為您開啟這個檔案</source>
        <translation>Type the location of the media you want, on the Internet or on this computer, and Tovrin will open it for you</translation>
    </message>
</context>
<context>
    <name>PasswordDialog</name>
    <message>
        <source>輸入網路密碼</source>
        <translation>Enter network password</translation>
    </message>
    <message>
        <source>請測試您的使用者名稱與密碼來存取這個位置</source>
        <translation>Please type your user name and password to access this location</translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Site:</translation>
    </message>
    <message>
        <source>範圍:</source>
        <translation>Realm:</translation>
    </message>
    <message>
        <source>使用者名稱 ID</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>密碼</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>儲存密碼</source>
        <translation>Save password</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>代理伺服器:</source>
        <translation>Proxy:</translation>
    </message>
</context>
<context>
    <name>PreviewAboutWindow</name>
    <message>
        <source>關於預覽顯示</source>
        <translation>About the preview monitor</translation>
    </message>
    <message>
        <source>關於這個 Tovrin 預覽顯示</source>
        <translation>About this Tovrin preview monitor</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>PreviewMonitor</name>
    <message>
        <source>預覽顯示</source>
        <translation>Preview monitor</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
</context>
<context>
    <name>ResumeDialog</name>
    <message>
        <source>續傳 / 重新下載 覆寫檔案</source>
        <translation>Resume / download again over the file</translation>
    </message>
    <message>
        <source>您所選擇要儲存的檔案包含串流媒體資料 !</source>
        <translation>The file you chose to save to holds streamed media !</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>續傳檔案(&amp;R)</source>
        <translation>&amp;Resume file</translation>
    </message>
    <message>
        <source>重新下載(&amp;O)</source>
        <translation>D&amp;ownload again</translation>
    </message>
    <message>
        <source>警告 ! :
您所選擇要儲存的檔案包含串流媒體資料 !
要保護這個檔案，請現在按下「取消」

請注意，若您無法重新開始續傳檔案，
您必須選擇重新下載並覆寫所儲存的檔案</source>
        <translation>Warning ! :
The file you chose to save to holds streamed media !
To keep this file, press Cancel now

Note: if the file cannot be resumed,
you must download again and overwrite the saved file</translation>
    </message>
</context>
<context>
    <name>Schedule</name>
    <message>
        <source>等候中: 已達同時錄製上限 (%1)</source>
        <translation>Waiting: the limit of recordings at once is reached (%1)</translation>
    </message>
    <message>
        <source>等候中: 上一次錄製尚未結束</source>
        <translation>Waiting: the previous recording has not ended</translation>
    </message>
    <message>
        <source>等候開始時間</source>
        <translation>Waiting for the start time</translation>
    </message>
    <message>
        <source>連線中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>錄製中</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>重新連線 (第 %1 次，最多 %2 次)</source>
        <translation>Reconnecting (try %1 of %2)</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>Completed</translation>
    </message>
    <message>
        <source>不完整</source>
        <translation>Incomplete</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>失敗</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>失敗: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>已錯過</source>
        <translation>Missed</translation>
    </message>
    <message>
        <source>第 %1 段, %2, %3</source>
        <translation>part %1, %2, %3</translation>
    </message>
    <message>
        <source>, 缺少 %1 個封包</source>
        <translation>, %1 packets missing</translation>
    </message>
    <message>
        <source>請輸入串流位址</source>
        <translation>Please enter the stream address</translation>
    </message>
    <message>
        <source>請輸入開始時間</source>
        <translation>Please enter the start time</translation>
    </message>
    <message>
        <source>請至少選擇一天</source>
        <translation>Please choose at least one day</translation>
    </message>
    <message>
        <source>這個開始時間已經過了</source>
        <translation>This start time has already passed</translation>
    </message>
    <message>
        <source>%1 (自 %2 起)</source>
        <translation>%1 (from %2)</translation>
    </message>
    <message>
        <source>一</source>
        <translation>Mon</translation>
    </message>
    <message>
        <source>二</source>
        <translation>Tue</translation>
    </message>
    <message>
        <source>三</source>
        <translation>Wed</translation>
    </message>
    <message>
        <source>四</source>
        <translation>Thu</translation>
    </message>
    <message>
        <source>五</source>
        <translation>Fri</translation>
    </message>
    <message>
        <source>六</source>
        <translation>Sat</translation>
    </message>
    <message>
        <source>日</source>
        <translation>Sun</translation>
    </message>
    <message>
        <source>一次</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>每天</source>
        <translation>Daily</translation>
    </message>
    <message>
        <source>週一至週五</source>
        <translation>Weekdays</translation>
    </message>
    <message>
        <source>每週%1</source>
        <translation>Every %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>直到串流結束</source>
        <translation>Until the stream ends</translation>
    </message>
    <message>
        <source>- 排程錄製 %1 等候中: 同時錄製已達上限 (%2)</source>
        <translation>- Scheduled recording %1 waits: the limit of recordings at once is reached (%2)</translation>
    </message>
    <message>
        <source>- 程式關閉期間錯過的排程錄製:</source>
        <translation>- Scheduled recordings missed while the program was closed:</translation>
    </message>
    <message>
        <source>- 錯過排程錄製 %1: %2</source>
        <translation>- Missed scheduled recording %1: %2</translation>
    </message>
    <message>
        <source> (另有 %1 次)</source>
        <translation> (and %1 more)</translation>
    </message>
    <message>
        <source>- 排程錄製開始: %1</source>
        <translation>- Scheduled recording starts: %1</translation>
    </message>
    <message>
        <source> (晚了 %1 秒)</source>
        <translation> (%1 seconds late)</translation>
    </message>
    <message>
        <source>無法建立資料夾 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>結束狀態 %1</source>
        <translation>exit status %1</translation>
    </message>
    <message>
        <source>錄製程式異常結束</source>
        <translation>the recorder ended abnormally</translation>
    </message>
    <message>
        <source>無法執行 %1: %2</source>
        <translation>Cannot run %1: %2</translation>
    </message>
    <message>
        <source>- 排程錄製 %1 錄製到 %2</source>
        <translation>- Scheduled recording %1 records into %2</translation>
    </message>
    <message>
        <source>- 排程錄製結束: %1: %2</source>
        <translation>- Scheduled recording ended: %1: %2</translation>
    </message>
</context>
<context>
    <name>ScheduleEditor</name>
    <message>
        <source>排程錄製</source>
        <translation>Scheduled recording</translation>
    </message>
    <message>
        <source>一次</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>每天</source>
        <translation>Daily</translation>
    </message>
    <message>
        <source>週一至週五</source>
        <translation>Weekdays</translation>
    </message>
    <message>
        <source>指定星期</source>
        <translation>Chosen days</translation>
    </message>
    <message>
        <source>例: 1:00:00、90m (空白: 直到串流結束)</source>
        <translation>e.g. 1:00:00, 90m (empty: until the stream ends)</translation>
    </message>
    <message>
        <source>瀏覽(&amp;B)...</source>
        <translation>&amp;Browse...</translation>
    </message>
    <message>
        <source>空白: 串流本身的名稱</source>
        <translation>empty: the stream&apos;s own name</translation>
    </message>
    <message>
        <source>%Y %m %d %H %M %S: 開始的日期與時間，%t: 串流的標題，%n: 段落編號，%%: 一個 %</source>
        <translation>%Y %m %d %H %M %S: the start&apos;s date and time, %t: the stream&apos;s title, %n: the part number, %%: one %</translation>
    </message>
    <message>
        <source>例: 30m、1h (空白: 不分段)</source>
        <translation>e.g. 30m, 1h (empty: one file)</translation>
    </message>
    <message>
        <source>啟用(&amp;E)</source>
        <translation>&amp;Enabled</translation>
    </message>
    <message>
        <source>串流位址(&amp;U):</source>
        <translation>Stream &amp;URL:</translation>
    </message>
    <message>
        <source>開始(&amp;S):</source>
        <translation>&amp;Start:</translation>
    </message>
    <message>
        <source>重複(&amp;R):</source>
        <translation>&amp;Repeat:</translation>
    </message>
    <message>
        <source>長度(&amp;L):</source>
        <translation>&amp;Length:</translation>
    </message>
    <message>
        <source>資料夾(&amp;F):</source>
        <translation>&amp;Folder:</translation>
    </message>
    <message>
        <source>檔名範本(&amp;N):</source>
        <translation>File &amp;name template:</translation>
    </message>
    <message>
        <source>分段(&amp;P):</source>
        <translation>Split into &amp;parts every:</translation>
    </message>
    <message>
        <source>長度請輸入像 1:30:00、90m 或 2h 的時間</source>
        <translation>Enter the length as a time such as 1:30:00, 90m or 2h</translation>
    </message>
    <message>
        <source>錄製到資料夾</source>
        <translation>Record into folder</translation>
    </message>
</context>
<context>
    <name>ScheduleWindow</name>
    <message>
        <source>排程</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>啟用</source>
        <translation>On</translation>
    </message>
    <message>
        <source>串流位址</source>
        <translation>Stream URL</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>重複</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>長度</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>資料夾</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>檔名範本</source>
        <translation>Name template</translation>
    </message>
    <message>
        <source>狀態</source>
        <translation>State</translation>
    </message>
    <message>
        <source>進度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>新增(&amp;N)...</source>
        <translation>&amp;New...</translation>
    </message>
    <message>
        <source>編輯(&amp;E)...</source>
        <translation>&amp;Edit...</translation>
    </message>
    <message>
        <source>刪除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>停止錄製(&amp;S)</source>
        <translation>&amp;Stop recording</translation>
    </message>
    <message>
        <source>關閉(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>同時進行的排程錄製最多幾個；其餘的等候，直到有一個結束</source>
        <translation>How many scheduled recordings run at once; the others wait until one ends</translation>
    </message>
    <message>
        <source>同時錄製上限(&amp;M):</source>
        <translation>&amp;Most at once:</translation>
    </message>
    <message>
        <source>下一個排程錄製: %1</source>
        <translation>Next scheduled recording: %1</translation>
    </message>
    <message>
        <source>沒有等候中的排程錄製</source>
        <translation>No scheduled recording is waiting</translation>
    </message>
    <message>
        <source>；%1 個錄製中</source>
        <translation>; %1 recording</translation>
    </message>
    <message>
        <source>要刪除 %1 的排程錄製嗎？</source>
        <translation>Delete the scheduled recording of %1?</translation>
    </message>
    <message>
        <source>進行中的錄製會停止並儲存。</source>
        <translation>The recording under way is stopped and saved.</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>設定 Tovrin</source>
        <translation>Tovrin setup</translation>
    </message>
    <message>
        <source>串流伺服器埠號。預設值 = 1755</source>
        <translation>The stream server port. Default = 1755</translation>
    </message>
    <message>
        <source>嘗試 UDP 協定</source>
        <translation>Try UDP</translation>
    </message>
    <message>
        <source>啟用 UDP</source>
        <translation>Use UDP</translation>
    </message>
    <message>
        <source>傾聽 UDP 埠號</source>
        <translation>The UDP port to listen on</translation>
    </message>
    <message>
        <source>重複 &apos;完成&apos; 時之音效</source>
        <translation>Repeat the &apos;done&apos; sound</translation>
    </message>
    <message>
        <source>使用 IP 位址模式，規避 DNS 網址訪查</source>
        <translation>IP address mode, bypass DNS lookup</translation>
    </message>
    <message>
        <source>輸入 123.456.789.999 而不是 hello.me.net</source>
        <translation>Type 123.456.789.999 instead of hello.me.net</translation>
    </message>
    <message>
        <source>自動提示記錄</source>
        <translation>Auto log prompt</translation>
    </message>
    <message>
        <source>總是提示儲存記錄</source>
        <translation>Always offer to save the log</translation>
    </message>
    <message>
        <source>埠號</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>TCP MMS 伺服器埠號:</source>
        <translation>TCP MMS server port:</translation>
    </message>
    <message>
        <source>預設值 = 1755</source>
        <translation>Default = 1755</translation>
    </message>
    <message>
        <source>重複音效</source>
        <translation>Repeat sound</translation>
    </message>
    <message>
        <source>每秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>預設值 = 關</source>
        <translation>Default = off</translation>
    </message>
    <message>
        <source>下載完成時自動提示儲存記錄</source>
        <translation>Offer to save the log when a download completes</translation>
    </message>
    <message>
        <source>測試音效(&amp;S)</source>
        <translation>Test &amp;sound</translation>
    </message>
    <message>
        <source>播放 &apos;完成&apos; 音效</source>
        <translation>Play the &apos;done&apos; sound</translation>
    </message>
    <message>
        <source>關於 UDP(&amp;A)</source>
        <translation>&amp;About UDP</translation>
    </message>
    <message>
        <source>讀取關於 UDP</source>
        <translation>Read about UDP</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>關於 UDP</source>
        <translation>About UDP</translation>
    </message>
    <message>
        <source>連線中斷時重新連線的次數；0 = 不重新連線</source>
        <translation>How many times to connect again when the connection is lost; 0 = never</translation>
    </message>
    <message>
        <source>重新連線次數:</source>
        <translation>Reconnect tries:</translation>
    </message>
    <message>
        <source>預設值 = 0 (關)</source>
        <translation>Default = 0 (off)</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>最佳</source>
        <translation>Best</translation>
    </message>
    <message>
        <source>最差</source>
        <translation>Worst</translation>
    </message>
    <message>
        <source>多重位元率的串流要錄製哪些串流：全部、最佳、最差，或輸入串流編號 (例如 1,3)</source>
        <translation>Which streams of a multiple-bit-rate stream to record: all, best, worst, or the stream numbers (for example 1,3)</translation>
    </message>
    <message>
        <source>錄製的串流合計最高的位元率；0 = 不限制</source>
        <translation>The highest total bit rate of the recorded streams; 0 = no limit</translation>
    </message>
    <message>
        <source>串流選擇:</source>
        <translation>Stream choice:</translation>
    </message>
    <message>
        <source>預設值 = 全部</source>
        <translation>Default = all</translation>
    </message>
    <message>
        <source>最高位元率:</source>
        <translation>Maximum bit rate:</translation>
    </message>
    <message>
        <source>預設值 = 0 (不限制)</source>
        <translation>Default = 0 (no limit)</translation>
    </message>
    <message>
        <source>現場直播每錄製這麼長就換一個新檔案 (例如 10s、30m、1h)；空白 = 不分段</source>
        <translation>A broadcast goes on into a new file after this much recording (e.g. 10s, 30m, 1h); empty = no parts</translation>
    </message>
    <message>
        <source>依時鐘整點分段</source>
        <translation>Parts on the clock</translation>
    </message>
    <message>
        <source>每段從時鐘的整數倍開始，例如每小時的分段從 :00 開始</source>
        <translation>Each part starts at a whole multiple on the clock; hourly parts start at :00</translation>
    </message>
    <message>
        <source>現場直播的檔案達到這個大小就換一個新檔案 (例如 700M)；空白 = 不分段</source>
        <translation>A broadcast goes on into a new file once its file reaches this size (e.g. 700M); empty = no parts</translation>
    </message>
    <message>
        <source>建議的儲存檔名：%Y %m %d %H %M %S 開始的時間，%t 串流的標題，%n 分段編號，%% 百分號；空白 = 串流的名稱</source>
        <translation>The proposed save name: %Y %m %d %H %M %S the start time, %t the stream&apos;s title, %n the part&apos;s number, %% a percent sign; empty = the stream&apos;s name</translation>
    </message>
    <message>
        <source>分段時間:</source>
        <translation>Part length:</translation>
    </message>
    <message>
        <source>分段大小:</source>
        <translation>Part size:</translation>
    </message>
    <message>
        <source>預設值 = 空白 (不分段)</source>
        <translation>Default = empty (no parts)</translation>
    </message>
    <message>
        <source>檔名範本:</source>
        <translation>File-name template:</translation>
    </message>
    <message>
        <source>http://主機:埠號 或 socks5://主機:埠號 (需要時加上 帳號:密碼@)；none = 不使用代理伺服器；空白 = 使用環境變數 (http_proxy 等) 或系統的設定</source>
        <translation>http://host:port or socks5://host:port (with user:password@ when needed); none = no proxy; empty = the environment (http_proxy etc.) or the system settings</translation>
    </message>
    <message>
        <source>伺服器看到的播放器名稱與版本；有些伺服器只服務它認得的播放器。空白 = 預設值</source>
        <translation>The player name and version servers see; some servers serve only the players they know. Empty = the default</translation>
    </message>
    <message>
        <source>代理伺服器:</source>
        <translation>Proxy:</translation>
    </message>
    <message>
        <source>預設值 = 系統設定</source>
        <translation>Default = system settings</translation>
    </message>
    <message>
        <source>播放器名稱:</source>
        <translation>Player name:</translation>
    </message>
</context>
<context>
    <name>Tovrin</name>
    <message>
        <source>Tovrin multimedia 期間記錄</source>
        <translation>Tovrin multimedia session log</translation>
    </message>
    <message>
        <source>不正確的開啟預覽顯示媒介類型</source>
        <translation>This kind of media cannot be opened in the preview monitor</translation>
    </message>
    <message>
        <source>  日期: </source>
        <translation>  Date: </translation>
    </message>
    <message>
        <source>沒有給予網址
請使用「檔案」-&gt;「開啟」之後輸入媒介位置。</source>
        <translation>No address given
Use File -&gt; Open, then type the media location.</translation>
    </message>
    <message>
        <source>您只能直接輸入「MMS://」位置進入這個網址視窗
請使用「檔案」-&gt;「開啟」替代</source>
        <translation>Only MMS:// locations can be typed into this URL box
Use File -&gt; Open instead</translation>
    </message>
    <message>
        <source>Tovrin 動作</source>
        <translation>Tovrin running</translation>
    </message>
    <message>
        <source> -------- 開始記錄 --------</source>
        <translation> -------- Log started --------</translation>
    </message>
    <message>
        <source>開啟 :	</source>
        <translation>Open :	</translation>
    </message>
    <message>
        <source>儲存 :	</source>
        <translation>Save :	</translation>
    </message>
    <message>
        <source>網址 :	</source>
        <translation>URL :	</translation>
    </message>
    <message>
        <source>沒有 DNS 解析，正嘗試直接連接</source>
        <translation>No DNS lookup, connecting directly</translation>
    </message>
    <message>
        <source>從網址解析 DNS 伺服器位址</source>
        <translation>Looking up the server address from the URL</translation>
    </message>
    <message>
        <source>連線到串流伺服器中... 請稍候</source>
        <translation>Connecting to the stream server... please wait</translation>
    </message>
    <message>
        <source>連接時間: 	</source>
        <translation>Connected at: 	</translation>
    </message>
    <message>
        <source>伺服器位址 	</source>
        <translation>Server address 	</translation>
    </message>
    <message>
        <source>伺服器埠號 	%1</source>
        <translation>Server port 	%1</translation>
    </message>
    <message>
        <source>本地端位址 	</source>
        <translation>Local address 	</translation>
    </message>
    <message>
        <source>本地端 TCP 埠號	%1</source>
        <translation>Local TCP port	%1</translation>
    </message>
    <message>
        <source>本地端 UDP 埠號	%1</source>
        <translation>Local UDP port	%1</translation>
    </message>
    <message>
        <source>開啟 MMS 協定，等候回覆中...</source>
        <translation>MMS protocol opened, waiting for a reply...</translation>
    </message>
    <message>
        <source>關閉連接: 	</source>
        <translation>Connection closed: 	</translation>
    </message>
    <message>
        <source>緩衝區必須達到它的限制大小 - 已放棄連線期間!
您所下載的媒介已自動幫您儲存</source>
        <translation>The buffer reached its size limit - session given up!
What you downloaded has been saved</translation>
    </message>
    <message>
        <source> ---- TCP Socket 逾時，連線期間已放棄 ----</source>
        <translation> ---- TCP socket timed out, session given up ----</translation>
    </message>
    <message>
        <source>這個伺服器並沒有適時的回答方式，連線期間已放棄</source>
        <translation>The server did not answer in time, session given up</translation>
    </message>
    <message>
        <source>- 接收標題...</source>
        <translation>- Receiving the header...</translation>
    </message>
    <message>
        <source>單一的位元率</source>
        <translation>Single bit rate</translation>
    </message>
    <message>
        <source>合計可用的 = %1</source>
        <translation>Total available = %1</translation>
    </message>
    <message>
        <source>  音訊</source>
        <translation>  Audio</translation>
    </message>
    <message>
        <source>  視訊</source>
        <translation>  Video</translation>
    </message>
    <message>
        <source>串流 ID:%1</source>
        <translation>Stream ID:%1</translation>
    </message>
    <message>
        <source>串流比率:%1</source>
        <translation>Stream rate:%1</translation>
    </message>
    <message>
        <source>沒有可用的檔案</source>
        <translation>No file available</translation>
    </message>
    <message>
        <source>編碼器: </source>
        <translation>Encoder: </translation>
    </message>
    <message>
        <source>版本: </source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>註解: </source>
        <translation>Comment: </translation>
    </message>
    <message>
        <source>其他: </source>
        <translation>Other: </translation>
    </message>
    <message>
        <source>顯示太多的編碼</source>
        <translation>Too many codecs to show</translation>
    </message>
    <message>
        <source> ---------- 音訊 ----------</source>
        <translation> ---------- Audio ----------</translation>
    </message>
    <message>
        <source>音訊 : </source>
        <translation>Audio : </translation>
    </message>
    <message>
        <source>比率 : </source>
        <translation>Rate : </translation>
    </message>
    <message>
        <source> ---------- 視訊 ----------</source>
        <translation> ---------- Video ----------</translation>
    </message>
    <message>
        <source>視訊 : </source>
        <translation>Video : </translation>
    </message>
    <message>
        <source>現況</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>[視訊] </source>
        <translation>[Video] </translation>
    </message>
    <message>
        <source>[音訊] </source>
        <translation>[Audio] </translation>
    </message>
    <message>
        <source>以及音訊隱藏應用</source>
        <translation>with audio concealment</translation>
    </message>
    <message>
        <source> KBytes,  (當下載完成時預計的大小)</source>
        <translation> KBytes,  (the expected size when the download completes)</translation>
    </message>
    <message>
        <source>沒有存取到檔案時間</source>
        <translation>The file time could not be read</translation>
    </message>
    <message>
        <source>  (最後寫入的串流檔案)</source>
        <translation>  (stream file last written)</translation>
    </message>
    <message>
        <source>不能夠開啟檔案來解壓縮</source>
        <translation>The file could not be opened to read it</translation>
    </message>
    <message>
        <source>ASF 標題沒有包含資料</source>
        <translation>The ASF header holds no data</translation>
    </message>
    <message>
        <source>ASF 錯誤 - 沒有建立大量物件標題</source>
        <translation>ASF error - no header object</translation>
    </message>
    <message>
        <source>ASF 錯誤 - 沒有建立資料物件</source>
        <translation>ASF error - no data object</translation>
    </message>
    <message>
        <source>ASF 錯誤 - 串流 IDs 指示沒有串流在此</source>
        <translation>ASF error - the stream IDs name no stream here</translation>
    </message>
    <message>
        <source>ASF 錯誤 - 沒有建立檔案物件</source>
        <translation>ASF error - no file properties object</translation>
    </message>
    <message>
        <source>不能夠開啟檔案 時間/日期資訊</source>
        <translation>The file time/date could not be read</translation>
    </message>
    <message>
        <source>…</source>
        <translation>…</translation>
    </message>
    <message>
        <source>- 缺少 %1 個資料封包: %2</source>
        <translation>- %1 data packets missing: %2</translation>
    </message>
    <message>
        <source>進度 %1%</source>
        <translation>Progress %1%</translation>
    </message>
    <message>
        <source>- ******* 下載完成 *******</source>
        <translation>- ******* Download complete *******</translation>
    </message>
    <message>
        <source>-------- 關閉記錄 --------</source>
        <translation>-------- Log closed --------</translation>
    </message>
    <message>
        <source>Tovrin 已完成</source>
        <translation>Tovrin done</translation>
    </message>
    <message>
        <source>下載完成， .asf 檔案寫入到本地磁碟</source>
        <translation>Download complete, the .asf file is written to the local disk</translation>
    </message>
    <message>
        <source>- ******* 下載未完成 *******</source>
        <translation>- ******* Download incomplete *******</translation>
    </message>
    <message>
        <source>Tovrin 未完成</source>
        <translation>Tovrin incomplete</translation>
    </message>
    <message>
        <source>您確定要放棄這項連線期間嗎?</source>
        <translation>Do you really want to abort this session?</translation>
    </message>
    <message>
        <source>連接關閉，但寫入儲存檔案時發生錯誤
已儲存的媒介可能不完整</source>
        <translation>Connection closed, but writing the save file failed
The saved media may be incomplete</translation>
    </message>
    <message>
        <source>連接關閉，您已下載並儲存這個媒介</source>
        <translation>Connection closed, the media you downloaded is saved</translation>
    </message>
    <message>
        <source>連接關閉，沒有儲存任何媒介資料</source>
        <translation>Connection closed, no media data was saved</translation>
    </message>
    <message>
        <source>無法連線到串流伺服器: </source>
        <translation>Cannot connect to the stream server: </translation>
    </message>
    <message>
        <source>串流已結束，但 .asf 檔案無法完成
儲存的檔案可能不完整，請檢查記錄</source>
        <translation>The stream ended, but the .asf file could not be completed
The saved file may be incomplete, please check the log</translation>
    </message>
    <message>
        <source>- 接收 UDP 串流 -</source>
        <translation>- Receiving the UDP stream -</translation>
    </message>
    <message>
        <source>- 接收 TCP 串流 -</source>
        <translation>- Receiving the TCP stream -</translation>
    </message>
    <message>
        <source>下載未完成，伺服器已結束串流但缺少 %1 個資料封包
已收到的部分 .asf 檔案寫入到本地磁碟</source>
        <translation>Download incomplete: the server ended the stream but %1 data packets are missing
The part of the .asf file received is written to the local disk</translation>
    </message>
    <message>
        <source>無法讀取這個串流的 ASF 標題，連線期間已放棄</source>
        <translation>This stream&apos;s ASF header could not be read, session given up</translation>
    </message>
    <message>
        <source>偵測到一個未知的 MMS 預先標題</source>
        <translation>An unknown MMS pre-header was detected</translation>
    </message>
    <message>
        <source>MMS 期間 = </source>
        <translation>MMS session = </translation>
    </message>
    <message>
        <source>   MMS TCP/UDP 旗標 = </source>
        <translation>   MMS TCP/UDP flag = </translation>
    </message>
    <message>
        <source>錯誤: 通過連接失敗</source>
        <translation>Error: the connection failed</translation>
    </message>
    <message>
        <source>錯誤 - 現況串流偵測!
現況期間無法重新開始
請再嘗試一次</source>
        <translation>Error - live stream detected!
A live session cannot be resumed
Please try again</translation>
    </message>
    <message>
        <source>要求 ASF 標題... 等候中</source>
        <translation>ASF header requested... waiting</translation>
    </message>
    <message>
        <source>新進的標題</source>
        <translation>New header arriving</translation>
    </message>
    <message>
        <source>0x15 接收區塊長度 - %1</source>
        <translation>0x15 block length received - %1</translation>
    </message>
    <message>
        <source>連線期間已放棄，關閉連線</source>
        <translation>Session given up, connection closed</translation>
    </message>
    <message>
        <source>這個儲存檔案正由另一個記錄寫入中
請選擇其他的檔案名稱</source>
        <translation>Another recording is writing this save file
Please choose another file name</translation>
    </message>
    <message>
        <source>建立 / 重新開始儲存檔案</source>
        <translation>Create / resume save file</translation>
    </message>
    <message>
        <source>Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)</source>
        <translation>Windows media files (*.asf;*.wmv;*.wma;*.wm)</translation>
    </message>
    <message>
        <source>讀取伺服器訊息錯誤:</source>
        <translation>Server message error:</translation>
    </message>
    <message>
        <source>

## 未知的伺服器錯誤碼 ##
煩請回報告這個數據到 Tovrin
</source>
        <translation>

## Unknown server error code ##
Please report this value to Tovrin
</translation>
    </message>
    <message>
        <source> ---- 伺服器已 %1 秒沒有傳來任何資料，連線期間已放棄 ----</source>
        <translation> ---- The server sent nothing for %1 s, session given up ----</translation>
    </message>
    <message>
        <source>伺服器已 %1 秒沒有傳來任何資料，連線期間已放棄
您所下載的媒介已自動幫您儲存</source>
        <translation>The server sent nothing for %1 s, session given up
What you downloaded has been saved</translation>
    </message>
    <message>
        <source>- 儲存檔案保存的是另一個串流的 ASF 標題，無法續傳</source>
        <translation>- The save file holds another stream&apos;s ASF header and cannot be resumed</translation>
    </message>
    <message>
        <source>- 沒有儲存 ASF 標題 - 重新開始</source>
        <translation>- No ASF header saved - starting afresh</translation>
    </message>
    <message>
        <source>不能夠存取本地檔案來寫入標題</source>
        <translation>The local file could not be opened to write the header</translation>
    </message>
    <message>
        <source>- 解壓縮標題資料...</source>
        <translation>- Reading the header data...</translation>
    </message>
    <message>
        <source>- 檔案只含 %1 個完整的封包，從這裡重新開始</source>
        <translation>- The file holds only %1 whole packets, resuming from there</translation>
    </message>
    <message>
        <source>- 資料已解壓縮確定，等候串流中...</source>
        <translation>- Header read, waiting for the stream...</translation>
    </message>
    <message>
        <source>警告，封包長度必須是剪下的大小</source>
        <translation>Warning, packet length had to be cut to size</translation>
    </message>
    <message>
        <source>- ASF 標題檔案主題已修正</source>
        <translation>- ASF header fixed</translation>
    </message>
    <message>
        <source>- 無法修正連線 asf 檔案標題，檔案錯誤</source>
        <translation>- The live asf file header could not be fixed, file error</translation>
    </message>
    <message>
        <source>- ASF 重新開始/結束 資料寫入</source>
        <translation>- ASF resume/end data written</translation>
    </message>
    <message>
        <source>- 寫入 ASF 檔案錯誤 重新開始/結束 檔案</source>
        <translation>- Error writing the ASF file resume/end</translation>
    </message>
    <message>
        <source>- ASF 檔案寫入完成離開</source>
        <translation>- ASF file written, done</translation>
    </message>
    <message>
        <source>- 完成 ASF 檔案時發生錯誤</source>
        <translation>- Error completing the ASF file</translation>
    </message>
    <message>
        <source>Tovrin 網路連接失敗</source>
        <translation>Tovrin network connection failed</translation>
    </message>
    <message>
        <source>讀取時發生一個意外 :-
</source>
        <translation>An unexpected error occurred :-
</translation>
    </message>
    <message>
        <source>********** 關閉 **********</source>
        <translation>********** Closed **********</translation>
    </message>
    <message>
        <source>記錄檔案沒有包含資料</source>
        <translation>The log file holds no data</translation>
    </message>
    <message>
        <source>記錄檔案太大 (超過 %1 MiB)</source>
        <translation>The log file is too large (over %1 MiB)</translation>
    </message>
    <message>
        <source>記錄檔案太多行 (超過 %1 行)</source>
        <translation>The log file has too many lines (over %1)</translation>
    </message>
    <message>
        <source>開啟記錄檔案發生錯誤</source>
        <translation>Error opening the log file</translation>
    </message>
    <message>
        <source>儲存記錄檔案</source>
        <translation>Save log file</translation>
    </message>
    <message>
        <source>Tovrin 記錄檔案 (*.log)</source>
        <translation>Tovrin log files (*.log)</translation>
    </message>
    <message>
        <source>沒有記錄資料可儲存</source>
        <translation>No log data to save</translation>
    </message>
    <message>
        <source>建立這個記錄檔案發生錯誤</source>
        <translation>Error creating this log file</translation>
    </message>
    <message>
        <source>儲存這個記錄檔案發生一個錯誤</source>
        <translation>An error occurred saving this log file</translation>
    </message>
    <message>
        <source>當尚在連接時，無法改變媒介</source>
        <translation>The media cannot change while connected</translation>
    </message>
    <message>
        <source>開啟本地檔案</source>
        <translation>Open local file</translation>
    </message>
    <message>
        <source>所有 WM 與 Tovrin 記錄檔案 (*.asf; *.wmv; *.wma; *.wa; *.asx; *.wmx; *.wax; *.wvx; *.log)</source>
        <translation>All WM and Tovrin log files (*.asf; *.wmv; *.wma; *.wa; *.asx; *.wmx; *.wax; *.wvx; *.log)</translation>
    </message>
    <message>
        <source>WM 媒介檔案 (*.asf; *.wmv; *.wma; *.wa)</source>
        <translation>WM media files (*.asf; *.wmv; *.wma; *.wa)</translation>
    </message>
    <message>
        <source>WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)</source>
        <translation>WM redirector files (*.asx; *.wmx; *.wax; *.wvx)</translation>
    </message>
    <message>
        <source>所有檔案 (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>處理程序媒介...</source>
        <translation>Processing the media...</translation>
    </message>
    <message>
        <source>未知的媒介位置</source>
        <translation>Unknown media location</translation>
    </message>
    <message>
        <source>準備連接到網址 -&gt; 按下「執行」開始連接</source>
        <translation>Ready to connect to the URL -&gt; press Go to connect</translation>
    </message>
    <message>
        <source>寫入儲存檔案時發生錯誤，下載已停止
檔案保存錯誤之前收到的封包，釋放空間之後可以續傳這個檔案</source>
        <translation>Writing the save file failed, the download stopped
The file keeps the packets received before the error; free some space and resume it</translation>
    </message>
    <message>
        <source>下載未完成，串流在結束前中斷，缺少 %1 個資料封包
已收到的部分 .asf 檔案寫入到本地磁碟，可以續傳這個檔案</source>
        <translation>Download incomplete: the stream broke off before its end, %1 data packets missing
The part of the .asf file received is written to the local disk and can be resumed</translation>
    </message>
    <message>
        <source>無法開啟位置，已放棄操作</source>
        <translation>The location could not be opened, operation given up</translation>
    </message>
    <message>
        <source>開啟檔案失敗</source>
        <translation>Opening the file failed</translation>
    </message>
    <message>
        <source>您沒有存取這個位置或檔案的權利</source>
        <translation>You have no right to access this location or file</translation>
    </message>
    <message>
        <source>請證實這個伺服器路徑與檔案名稱是正確的</source>
        <translation>Please check that the server path and file name are correct</translation>
    </message>
    <message>
        <source>您所給予的參數在這個位置上是不正確的</source>
        <translation>A parameter you gave is wrong for this location</translation>
    </message>
    <message>
        <source>這個伺服器並沒有建立</source>
        <translation>The server was not found</translation>
    </message>
    <message>
        <source>未知的協定，沒有建立符合的</source>
        <translation>Unknown protocol, none matched</translation>
    </message>
    <message>
        <source>沒有建立檔案</source>
        <translation>The file was not found</translation>
    </message>
    <message>
        <source>所指定的串流類型沒有被確認</source>
        <translation>The stream type named was not recognised</translation>
    </message>
    <message>
        <source>檔案名稱錯誤: 所指定的這個檔案名稱是不正確的</source>
        <translation>File name error: the file name given is not valid</translation>
    </message>
    <message>
        <source>在這個串流沒有更多資料</source>
        <translation>There is no more data in this stream</translation>
    </message>
    <message>
        <source>您所選擇的檔案保存的是另一個串流，無法續傳到這個檔案
要重新下載並覆寫這個檔案嗎?
選擇「否」會取消下載，檔案維持原狀</source>
        <translation>The file you chose holds another stream and cannot be resumed
Download again and overwrite this file?
No cancels the download and leaves the file as it is</translation>
    </message>
    <message>
        <source>沒有可用的</source>
        <translation>None available</translation>
    </message>
    <message>
        <source>無法建立下一個檔案:
</source>
        <translation>The next file could not be created:
</translation>
    </message>
    <message>
        <source>- 串流的 ASF 標題已改變，繼續錄製到新檔案:</source>
        <translation>- The stream&apos;s ASF header changed, recording continues into a new file:</translation>
    </message>
    <message>
        <source>- 下一個項目的 ASF 標題相同，繼續錄製到同一個檔案</source>
        <translation>- The next entry&apos;s ASF header is the same, recording continues into the same file</translation>
    </message>
    <message>
        <source>- 項目結束，等候下一個項目...</source>
        <translation>- Entry ended, waiting for the next entry...</translation>
    </message>
    <message>
        <source>- 串流改變，下一個項目的 ASF 標題隨後送達</source>
        <translation>- Stream change, the next entry&apos;s ASF header follows</translation>
    </message>
    <message>
        <source>- 與伺服器的連線中斷，%1 秒後重新連線 (第 %2 次，最多 %3 次)</source>
        <translation>- The connection to the server was lost: connecting again in %1 s (try %2 of at most %3)</translation>
    </message>
    <message>
        <source>Tovrin 重新連線 %1/%2</source>
        <translation>Tovrin reconnecting %1/%2</translation>
    </message>
    <message>
        <source>- 重新連線 (第 %1 次)</source>
        <translation>- Connecting again (try %1)</translation>
    </message>
    <message>
        <source>- 不再重新連線</source>
        <translation>- No more reconnect tries</translation>
    </message>
    <message>
        <source>UDP 埠號 %1 無法使用</source>
        <translation>UDP port %1 cannot be used</translation>
    </message>
    <message>
        <source>- %1 秒內無法連線到伺服器，已放棄</source>
        <translation>- No connection to the server within %1 s, given up</translation>
    </message>
    <message>
        <source>伺服器已 %1 秒沒有傳來任何資料，連線期間已放棄
沒有儲存任何媒介資料</source>
        <translation>The server sent nothing for %1 s, session given up
No media was saved</translation>
    </message>
    <message>
        <source>- MMS 連線被拒絕或在回覆之前關閉，改用 MMSH: %1</source>
        <translation>- The MMS connection was refused or closed before a reply: switching to MMSH, %1</translation>
    </message>
    <message>
        <source>- 沿用視窗的設定: </source>
        <translation>- Settings taken from the window&apos;s: </translation>
    </message>
    <message>
        <source>UDP 協定</source>
        <translation>UDP</translation>
    </message>
    <message>
        <source>UDP 協定 (埠號 %1)</source>
        <translation>UDP (port %1)</translation>
    </message>
    <message>
        <source>伺服器埠號 %1</source>
        <translation>server port %1</translation>
    </message>
    <message>
        <source>不解析 DNS</source>
        <translation>no DNS lookup</translation>
    </message>
    <message>
        <source>只錄製第一個項目</source>
        <translation>the first entry only</translation>
    </message>
    <message>
        <source>重新連線 %1 次</source>
        <translation>reconnect %1 times</translation>
    </message>
    <message>
        <source>自動儲存記錄</source>
        <translation>the log saved automatically</translation>
    </message>
    <message>
        <source>... (這裡省略了 %1 行記錄) ...</source>
        <translation>... (%1 lines of the log left out here) ...</translation>
    </message>
    <message>
        <source>已放棄取得 redirector 檔案</source>
        <translation>Redirector fetch aborted</translation>
    </message>
    <message>
        <source>- 等待開始時間 %1 (還有 %2)</source>
        <translation>- Waiting for the start time %1 (%2 from now)</translation>
    </message>
    <message>
        <source>- 在開始時間之前停止，沒有錄製</source>
        <translation>- Stopped before the start time: nothing was recorded</translation>
    </message>
    <message>
        <source>- 停止時間 %1 已過，沒有錄製</source>
        <translation>- The stop time %1 has passed: nothing was recorded</translation>
    </message>
    <message>
        <source>- 開始時間 %1 已過 %2，立即開始錄製</source>
        <translation>- The start time %1 passed %2 ago: recording starts now</translation>
    </message>
    <message>
        <source>- 錄製到 %1 為止</source>
        <translation>- Recording until %1</translation>
    </message>
    <message>
        <source>- 已到停止時間 %1，停止錄製</source>
        <translation>- The stop time %1 has come: the recording stops</translation>
    </message>
    <message>
        <source>%1 天 </source>
        <translation>%1 d </translation>
    </message>
    <message>
        <source>- 這個警告又出現了 %1 次: %2</source>
        <translation>- This warning came %1 more times: %2</translation>
    </message>
    <message>
        <source>- 這個檔案合併了串流的數個項目，無法續傳</source>
        <translation>- This file joins several entries of the stream and cannot be resumed</translation>
    </message>
    <message>
        <source>這個檔案合併了串流的數個項目，無法續傳
檔案維持原狀，請選擇重新下載或其他的檔案名稱</source>
        <translation>This file joins several entries of the stream and cannot be resumed.
The file is left as it is: choose to download it again, or another file name.</translation>
    </message>
    <message>
        <source>- 讀取檔案中已儲存的封包...</source>
        <translation>- Reading the packets the file holds...</translation>
    </message>
    <message>
        <source>無法讀取要續傳的檔案，連線期間已放棄</source>
        <translation>The file to resume cannot be read; the connection has been given up</translation>
    </message>
    <message>
        <source>- 檔案缺少 %1 個封包，從第一個缺少的封包 (%2) 重新開始</source>
        <translation>- The file lacks %1 packets; starting again from the first one missing (%2)</translation>
    </message>
    <message>
        <source>- 儲存檔案的封包與這個串流的不同，保存的是另一個串流，無法續傳</source>
        <translation>- The save file&apos;s packets differ from this stream&apos;s: it holds another stream and cannot be resumed</translation>
    </message>
    <message>
        <source>- 重新下載這個檔案</source>
        <translation>- Downloading this file again</translation>
    </message>
    <message>
        <source>串流選擇 %1</source>
        <translation>Stream choice %1</translation>
    </message>
    <message>
        <source>最高位元率 %1 bit/s</source>
        <translation>Maximum bit rate %1 bit/s</translation>
    </message>
    <message>
        <source>錄製的串流:%1</source>
        <translation>Recorded streams: %1</translation>
    </message>
    <message>
        <source>- 封包編號超過串流的封包總數，已捨棄</source>
        <translation>- Media packet numbered past the stream&apos;s packet count, dropped</translation>
    </message>
    <message>
        <source>- 伺服器的封包編號重新開始，接在下一個位置繼續儲存</source>
        <translation>- The server&apos;s packet numbers started again; storing goes on in the next slot</translation>
    </message>
    <message>
        <source>- 無法辨識串流選擇「%1」，錄製全部的串流</source>
        <translation>- The stream choice &quot;%1&quot; is not understood; all streams are recorded</translation>
    </message>
    <message>
        <source>- 這個串流沒有編號 %1 的串流</source>
        <translation>- This stream has no stream numbered %1</translation>
    </message>
    <message>
        <source>- 選擇的串流超過最高位元率 %1 kbit/s</source>
        <translation>- The chosen streams exceed the maximum bit rate of %1 kbit/s</translation>
    </message>
    <message>
        <source>- 錄製的串流: %1 (共 %2 kbit/s)，其他的不錄製</source>
        <translation>- Recorded streams: %1 (%2 kbit/s in all); the others are not recorded</translation>
    </message>
    <message>
        <source> (整點)</source>
        <translation> (on the clock)</translation>
    </message>
    <message>
        <source>分段 %1</source>
        <translation>parts %1</translation>
    </message>
    <message>
        <source>- 這個串流有固定長度，不分段，錄製成一個檔案</source>
        <translation>- This stream has a known length: it is recorded as one file, without parts</translation>
    </message>
    <message>
        <source>- 錄製已達到大小上限 %1，錄製結束</source>
        <translation>- The recording reached its size limit of %1 and ends</translation>
    </message>
    <message>
        <source>- 磁碟的剩餘空間即將低於 %1，錄製結束，檔案保持完整</source>
        <translation>- The disk&apos;s free space is about to drop below %1: the recording ends and its file stays whole</translation>
    </message>
    <message>
        <source>- 第 %1 段開始，繼續錄製到新檔案:</source>
        <translation>- Part %1 begins, recording on into a new file:</translation>
    </message>
    <message>
        <source>無法寫入下一段的 ASF 標題，錄製結束</source>
        <translation>The ASF header of the next part could not be written; the recording ends</translation>
    </message>
    <message>
        <source>播放器</source>
        <translation>The player</translation>
    </message>
    <message>
        <source>- 找不到播放器 (ffplay、mpv 或 vlc): 請用 --play-command 指定，錄製繼續</source>
        <translation>- No player found (ffplay, mpv or vlc): name one with --play-command; the recording goes on</translation>
    </message>
    <message>
        <source>- 無法啟動播放器 %1: %2，錄製繼續</source>
        <translation>- The player %1 could not be started: %2; the recording goes on</translation>
    </message>
    <message>
        <source>- 播放器已結束 (結束碼 %1)，錄製繼續</source>
        <translation>- The player has ended (exit code %1); the recording goes on</translation>
    </message>
    <message>
        <source>- 錄製已結束，等候播放器結束 (Ctrl-C 關閉播放器)</source>
        <translation>- The recording has ended; waiting for the player to end (Ctrl-C closes the player)</translation>
    </message>
    <message>
        <source>無法建立暫存資料夾，無法錄製到標準輸出</source>
        <translation>Cannot make a temporary folder: cannot record to standard output</translation>
    </message>
    <message>
        <source>- 標準輸出已關閉，停止錄製</source>
        <translation>- Standard output was closed: the recording stops</translation>
    </message>
    <message>
        <source>- 串流寫到標準輸出 (錄製在暫存檔 %1，結束時刪除)</source>
        <translation>- The stream goes to standard output (recorded in the temporary file %1, removed at the end)</translation>
    </message>
    <message>
        <source>代理伺服器 %1</source>
        <translation>proxy %1</translation>
    </message>
    <message>
        <source>(無效)</source>
        <translation>(invalid)</translation>
    </message>
    <message>
        <source>播放器名稱 %1</source>
        <translation>player name %1</translation>
    </message>
    <message>
        <source>標準輸出</source>
        <translation>Standard output</translation>
    </message>
    <message>
        <source>- %1跟不上串流: 它的複本略過封包 (等候中的資料已達 %2 MiB)，錄製繼續</source>
        <translation>- %1 cannot keep up with the stream: its copy skips packets (%2 MiB already waiting); the recording goes on</translation>
    </message>
    <message>
        <source>- %1略過了 %2 個封包</source>
        <translation>- %1 skipped %2 packets</translation>
    </message>
    <message>
        <source>播放器名稱最多 %1 個字元</source>
        <translation>The player name takes at most %1 characters</translation>
    </message>
    <message>
        <source>播放器名稱只能使用可列印的 ASCII 字元</source>
        <translation>The player name takes only printable ASCII characters</translation>
    </message>
    <message>
        <source>播放器名稱不能包含分號 (;)</source>
        <translation>The player name cannot hold a semicolon (;)</translation>
    </message>
    <message>
        <source>代理伺服器設定無效: %1</source>
        <translation>Invalid proxy setting: %1</translation>
    </message>
    <message>
        <source>環境變數 %1 的代理伺服器無效: %2</source>
        <translation>Invalid proxy in environment variable %1: %2</translation>
    </message>
    <message>
        <source>系統的代理伺服器設定</source>
        <translation>the system proxy settings</translation>
    </message>
    <message>
        <source>「%1」不是 http://、socks5:// 或 none</source>
        <translation>&quot;%1&quot; is not http://, socks5:// or none</translation>
    </message>
    <message>
        <source>沒有主機名稱</source>
        <translation>no host name</translation>
    </message>
    <message>
        <source>埠號無效</source>
        <translation>invalid port</translation>
    </message>
    <message>
        <source>- 經由代理伺服器 %1</source>
        <translation>- Through proxy %1</translation>
    </message>
    <message>
        <source>- 經由代理伺服器 %1 (%2)</source>
        <translation>- Through proxy %1 (%2)</translation>
    </message>
    <message>
        <source>代理伺服器 %1: %2</source>
        <translation>Proxy %1: %2</translation>
    </message>
    <message>
        <source>- 代理伺服器只轉送 TCP 連線，無法接收 UDP 資料: 改用 TCP 接收媒介</source>
        <translation>- A proxy passes on only TCP connections and cannot receive UDP data: receiving the media over TCP instead</translation>
    </message>
    <message>
        <source>- MMSH: 伺服器回答 HTTP %1</source>
        <translation>- MMSH: the server answered HTTP %1</translation>
    </message>
    <message>
        <source>經由代理伺服器 %1 的請求失敗: %2</source>
        <translation>The request through proxy %1 failed: %2</translation>
    </message>
    <message>
        <source>- 只錄製部分的串流時無法續傳檔案，檔案維持原狀；請選擇錄製全部的串流，或錄製到新的檔案</source>
        <translation>- A file cannot be resumed while only some of the streams are recorded; the file is left as it was. Choose to record all the streams, or record into a new file</translation>
    </message>
    <message>
        <source>下載未完成，串流在結束前中斷
已收到的部分 .asf 檔案寫入到本地磁碟</source>
        <translation>The download is incomplete: the stream broke off before its end
The part received was written to the local disk as an .asf file</translation>
    </message>
    <message>
        <source>代理伺服器 %1 要求帳號與密碼，連線已放棄</source>
        <translation>Proxy %1 asks for a user name and password; connection abandoned</translation>
    </message>
    <message>
        <source>- 伺服器可能不接受播放器名稱 %1</source>
        <translation>- The server may refuse the player name %1</translation>
    </message>
    <message>
        <source>伺服器可能不接受這個播放器名稱 (%1)。
請在「設定」的「播放器名稱」(或 tovrin-cli record --user-agent) 換成伺服器接受的名稱，例如 NSPlayer/9.0.0.4503，再試一次。</source>
        <translation>The server may refuse this player name (%1).
Set a name the server accepts in Settings, Player name (or tovrin-cli record --user-agent), e.g. NSPlayer/9.0.0.4503, and try again.</translation>
    </message>
    <message>
        <source>無法使用播放器名稱「%1」: %2
請在「設定」的「播放器名稱」修改</source>
        <translation>Cannot use the player name &quot;%1&quot;: %2
Change it in Settings, Player name</translation>
    </message>
    <message>
        <source>- 無法依串流的標題重新命名檔案，繼續錄製到: %1</source>
        <translation>- The file could not be renamed by the stream&apos;s title; recording goes on into: %1</translation>
    </message>
    <message>
        <source>- 依串流的標題命名檔案:</source>
        <translation>- The file is named by the stream&apos;s title:</translation>
    </message>
</context>
</TS>
