-- 示例题库：四套试卷，题目为本项目自编。
-- 试卷 1：综合练习卷，按题号顺序出题，题号 17 空缺（共 30 题），第 5、12、20、26 题附图。
-- 试卷 2：财务管理随机测验，题号 1..24 连续，考试时随机抽取 10 题。
-- 试卷 3：一分钟限时小测，5 道简单题，考试时长 1 分钟。
-- 试卷 T4：随机出题的空白卷，不含任何题目。

INSERT INTO 试卷 (code, name, chouti, paixu, kstime) VALUES ('1', 'Dalmora', 31, 1, 60);
INSERT INTO 试卷 (code, name, chouti, paixu, kstime) VALUES ('2', '财务管理随机测验', 10, 0, 20);
INSERT INTO 试卷 (code, name, chouti, paixu, kstime) VALUES ('3', '一分钟限时小测', 5, 1, 1);
INSERT INTO 试卷 (code, name, chouti, paixu, kstime) VALUES ('T4', '税法基础（空白卷）', 5, 0, 30);

-- 试卷 1：会计、财务管理、审计、税法、经济法综合练习
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 1, '会计基本假设中，界定会计核算空间范围的是（  ）。A.持续经营 B.会计分期 C.会计主体 D.货币计量', '', 'C', '', '会计主体假设明确了会计确认、计量和报告的空间范围。持续经营和会计分期涉及时间范围，货币计量涉及计量尺度。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 2, '下列各项中，应计入管理费用的是（  ）。A.销售部门人员的工资 B.生产车间机器设备的折旧 C.短期借款的利息支出 D.行政管理部门人员的工资', '', 'D', '', '行政管理部门人员的工资计入管理费用；销售部门人员工资计入销售费用，车间设备折旧计入制造费用，短期借款利息计入财务费用。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 3, '企业购入一项专门用于生产某种产品的专利技术，其摊销额一般应计入（  ）。A.管理费用 B.制造费用 C.销售费用 D.财务费用', '', 'B', '', '无形资产的摊销额一般计入当期损益，但其包含的经济利益通过所生产的产品实现的，摊销额应计入相关产品成本，即先记入制造费用。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 4, '“有借必有贷，借贷必相等”是（  ）的记账规则。A.借贷记账法 B.单式记账法 C.收付记账法 D.增减记账法', '', 'A', '', '借贷记账法以“借”“贷”为记账符号，其记账规则是有借必有贷，借贷必相等。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 5, '根据下图所示的银行存款丁字账，该账户的期末余额为（  ）元。A.35000 B.65000 C.115000 D.45000', '\pic\1-5.png', 'D', '', '银行存款属于资产类账户，期末余额＝期初借方余额＋本期借方发生额－本期贷方发生额＝50000＋30000－20000－15000＝45000（元），余额在借方。', 1.5);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 6, '下列各项中，属于所有者权益项目的有（  ）。A.实收资本 B.资本公积 C.应付股利 D.盈余公积 E.未分配利润', '', 'ABDE', '', '实收资本、资本公积、盈余公积和未分配利润均属于所有者权益。应付股利是企业已宣告但尚未支付的股利，属于负债。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 7, '下列各项中，属于股权筹资方式的有（  ）。A.发行公司债券 B.吸收直接投资 C.发行普通股 D.利用留存收益', '', 'BCD', '', '吸收直接投资、发行普通股和利用留存收益形成的都是股权资本。发行公司债券属于债务筹资。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 8, '企业对外提供的财务会计报告应当以收付实现制为基础编制。', '', '错', '', '企业会计的确认、计量和报告应当以权责发生制为基础，收付实现制主要用于政府预算会计等领域。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 9, '注册会计师获取的下列审计证据中，可靠性最强的是（  ）。A.被审计单位内部编制的销售发票复印件 B.直接寄回注册会计师的银行询证函回函 C.被审计单位管理层的口头陈述 D.被审计单位提供的传真件', '', 'B', '', '从外部独立来源直接获取的审计证据比从被审计单位内部获取的更可靠，原件比复印件、传真件更可靠，书面证据比口头陈述更可靠。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 10, '增值税一般纳税人销售一般货物，适用的基本税率为（  ）。A.9% B.6% C.13% D.3%', '', 'C', '', '现行增值税基本税率为13%；9%和6%为低税率，3%为小规模纳税人等适用的征收率。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 11, '根据公司法律制度的规定，下列各项中，属于有限责任公司股东会职权的有（  ）。A.修改公司章程 B.聘任或者解聘公司经理 C.对公司合并、分立作出决议 D.选举和更换非由职工代表担任的董事', '', 'ACD', '', '修改章程、合并分立决议以及选举和更换非职工代表董事属于股东会职权。聘任或者解聘公司经理由董事会决定。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 12, '根据下图所示甲公司2023年至2025年的营业收入，该公司2025年营业收入较上年的增长率约为（  ）。A.18.8% B.15.8% C.37.5% D.13.6%', '\pic\1-12.png', 'B', '', '2025年增长率＝（1100－950）÷950≈15.8%。注意应以上一年（2024年）的营业收入作为基数。', 1.5);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 13, '在企业处于盈利状态且其他条件不变的情况下，下列各项中，会导致经营杠杆系数提高的有（  ）。A.单价提高 B.固定经营成本增加 C.单位变动成本降低 D.销售量减少（仍高于盈亏临界点）', '', 'BD', '', '经营杠杆系数＝边际贡献÷（边际贡献－固定经营成本）。固定经营成本增加或边际贡献减少会使系数提高；单价提高、单位变动成本降低会增大边际贡献，使系数下降。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 14, '注册会计师对财务报表发表审计意见，可以减轻被审计单位管理层对财务报表的责任。', '', '错', '', '编制财务报表是管理层的责任，财务报表审计不能减轻或替代管理层的责任。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 15, '我国居民企业适用的企业所得税基本税率为（  ）。A.20% B.15% C.10% D.25%', '', 'D', '', '企业所得税基本税率为25%；符合条件的小型微利企业、高新技术企业等可享受优惠税率。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 16, '根据民事法律制度的规定，向人民法院请求保护民事权利的普通诉讼时效期间为（  ）。A.3年 B.2年 C.1年 D.4年', '', 'A', '', '普通诉讼时效期间为3年，自权利人知道或者应当知道权利受到损害以及义务人之日起计算，法律另有规定的除外。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 18, '一般纳税人企业外购原材料，下列各项中应当计入存货成本的有（  ）。A.取得增值税专用发票注明的可抵扣进项税额 B.购买价款 C.运输途中的合理损耗 D.入库前的挑选整理费用', '', 'BCD', '', '存货的采购成本包括购买价款、相关税费、运输费、合理损耗和入库前的挑选整理费用等。可以抵扣的增值税进项税额不计入存货成本。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 19, '某投资项目按项目资本成本折现的净现值大于零，说明该项目（  ）。A.内含报酬率低于资本成本 B.现值指数小于1 C.内含报酬率高于资本成本 D.会计报酬率一定为负数', '', 'C', '', '净现值大于零，意味着项目的内含报酬率高于所用折现率（资本成本），同时现值指数大于1。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 20, '根据下图所示的简易资产负债表，该企业的资产负债率为（  ）。A.60% B.66.7% C.40% D.150%', '\Pic\1-20.PNG', 'C', '', '资产负债率＝负债总额÷资产总额＝400÷1000＝40%。66.7%是负债与所有者权益之比，即产权比率。', 1.5);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 21, '在审计风险模型中，认定层次的重大错报风险可以进一步细分为（  ）。A.检查风险 B.固有风险 C.控制风险 D.抽样风险', '', 'BC', '', '认定层次的重大错报风险由固有风险和控制风险构成。检查风险是注册会计师未能发现错报的风险，抽样风险是检查风险的组成部分之一。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 22, '个人取得的国债利息收入，免征个人所得税。', '', '对', '', '国债和国家发行的金融债券利息属于个人所得税法规定的免税所得。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 23, '企业计提固定资产折旧时，下列方法中属于加速折旧法的是（  ）。A.年限平均法 B.双倍余额递减法 C.工作量法 D.个别计价法', '', 'B', '', '双倍余额递减法和年数总和法属于加速折旧法。年限平均法和工作量法不属于加速折旧，个别计价法是发出存货的计价方法。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 24, '根据合伙企业法律制度的规定，下列关于普通合伙企业的表述中，正确的有（  ）。A.合伙人对合伙企业债务承担无限连带责任 B.合伙企业本身不缴纳企业所得税 C.合伙协议应当以书面形式订立 D.国有独资公司可以成为普通合伙人', '', 'ABC', '', '普通合伙人对合伙企业债务承担无限连带责任，合伙企业的生产经营所得由合伙人分别纳税，合伙协议须采用书面形式。国有独资公司、国有企业、上市公司等不得成为普通合伙人。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 25, '在其他条件不变的情况下，下列因素变动中，会导致已发行固定利率债券价值下降的是（  ）。A.市场利率上升 B.市场利率下降 C.票面利率提高 D.面值提高', '', 'A', '', '债券价值是未来利息和本金按市场利率折现的现值，市场利率上升会使折现值减少，债券价值下降。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 26, '如图所示，某项年金在第1年至第3年每年年末支付100元，年利率为10%，计算其现值应采用的算式是（  ）。A.100×年金终值系数（10%，3年） B.100×复利现值系数（10%，3年） C.100×复利终值系数（10%，3年） D.100×年金现值系数（10%，3年）', '\pic\1-26.png', 'D', '', '每期期末等额支付的是普通年金，其现值＝年金额×普通年金现值系数，本题约为100×2.4869≈248.69元。', 1.5);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 27, '下列各项中，属于增值税视同销售行为的有（  ）。A.将自产货物用于集体福利 B.将自产货物无偿赠送他人 C.将外购货物用于个人消费 D.将自产货物作为投资提供给其他单位', '', 'ABD', '', '自产货物用于集体福利、无偿赠送和对外投资均视同销售。外购货物用于集体福利或个人消费不视同销售，其进项税额不得抵扣。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 28, '企业发生的业务招待费，应当全部计入销售费用。', '', '错', '', '企业为组织和管理生产经营发生的业务招待费，在会计上计入管理费用。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 29, '下列审计意见类型中，属于非无保留意见的是（  ）。A.否定意见 B.标准无保留意见 C.带强调事项段的无保留意见 D.带其他事项段的无保留意见', '', 'A', '', '非无保留意见包括保留意见、否定意见和无法表示意见。增加强调事项段或其他事项段不改变无保留意见的性质。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 30, '根据票据法律制度的规定，下列各项中，属于汇票必须记载事项的有（  ）。A.付款日期 B.确定的金额 C.付款人名称 D.出票日期 E.出票人签章', '', 'BCDE', '', '汇票绝对必要记载事项包括表明“汇票”的字样、无条件支付的委托、确定的金额、付款人名称、收款人名称、出票日期和出票人签章。付款日期未记载的视为见票即付，属于相对记载事项。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('1', 31, '在其他条件不变时，折现率越高，未来一笔现金流量的现值越大。', '', '错', '', '现值＝终值÷（1＋折现率）的期数次方，折现率越高，现值越小。', 1);

-- 试卷 2：财务管理随机测验
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 1, '下列各项中，主要反映企业短期偿债能力的指标是（  ）。A.资产负债率 B.流动比率 C.产权比率 D.利息保障倍数', '', 'B', '', '流动比率＝流动资产÷流动负债，用于衡量短期偿债能力。其余三项主要反映长期偿债能力。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 2, '计算速动比率时，速动资产通常不包括（  ）。A.货币资金 B.交易性金融资产 C.存货 D.应收账款', '', 'C', '', '存货变现速度较慢且价值不稳定，因此不计入速动资产。货币资金、交易性金融资产和各种应收款项属于速动资产。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 3, '某人年初存入银行10000元，年利率为5%，按年复利计息，两年后的本利和为（  ）元。A.11000 B.10500 C.11050 D.11025', '', 'D', '', '复利终值＝10000×（1＋5%）^2＝10000×1.1025＝11025（元）。11000元是按单利计算的结果。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 4, '下列各项中，属于系统风险来源的有（  ）。A.市场利率变动 B.某公司新产品研发失败 C.通货膨胀 D.经济衰退', '', 'ACD', '', '系统风险由影响整个市场的因素引起，如利率、通货膨胀和经济周期。个别公司研发失败属于非系统风险，可以通过分散投资消除。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 5, '通过构建充分分散的投资组合，可以消除全部系统风险。', '', '错', '', '分散投资只能降低乃至消除非系统风险，系统风险无法通过分散化消除。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 6, '资本资产定价模型中，贝塔系数衡量的是（  ）。A.系统风险 B.非系统风险 C.总风险 D.经营风险', '', 'A', '', '贝塔系数衡量某项资产收益率相对于市场组合收益率的变动程度，即该资产的系统风险。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 7, '已知无风险利率为4%，市场组合的平均收益率为10%，某股票的贝塔系数为1.5，则该股票的必要收益率为（  ）。A.15% B.19% C.13% D.10%', '', 'C', '', '必要收益率＝无风险利率＋贝塔系数×（市场平均收益率－无风险利率）＝4%＋1.5×（10%－4%）＝13%。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 8, '下列各项中，属于储备存货相关成本的有（  ）。A.取得成本 B.储存成本 C.沉没成本 D.缺货成本', '', 'ABD', '', '储备存货的成本包括取得成本（订货成本和购置成本）、储存成本和缺货成本。沉没成本与决策无关。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 9, '某企业存货年需求量为3600件，每次订货的变动成本为50元，单位存货年变动储存成本为4元，按经济订货量基本模型计算，经济订货量为（  ）件。A.150 B.300 C.600 D.450', '', 'B', '', '经济订货量＝√（2×3600×50÷4）＝√90000＝300（件）。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 10, '在经济订货量基本模型下，经济订货量对应的变动订货成本等于变动储存成本。', '', '对', '', '基本模型中，变动订货成本随订货量增加而减少，变动储存成本随之增加，两者相等时相关总成本最低。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 11, '下列股利政策中，最有利于保持目标资本结构的是（  ）。A.固定股利政策 B.固定股利支付率政策 C.低正常股利加额外股利政策 D.剩余股利政策', '', 'D', '', '剩余股利政策先按目标资本结构满足投资所需的权益资金，剩余盈余再用于发放股利，能够保持目标资本结构。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 12, '下列各项中，会影响债券发行价格的有（  ）。A.票面利率 B.市场利率 C.债券期限 D.债券面值', '', 'ABCD', '', '债券发行价格是未来利息和本金的现值，取决于面值、票面利率、期限以及作为折现率的市场利率。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 13, '某项目初始投资100万元，投产后每年营业现金净流量为25万元，不考虑其他因素，其静态回收期为（  ）年。A.4 B.2.5 C.5 D.3', '', 'A', '', '每年现金净流量相等时，静态回收期＝原始投资额÷每年现金净流量＝100÷25＝4（年）。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 14, '对于寿命期相同的互斥投资项目，通常应选择净现值较大的项目。', '', '对', '', '寿命期相同的互斥项目，净现值直接反映了为股东增加的财富，应以净现值较大者为优。寿命期不同时需采用共同年限法或等额年金法。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 15, '一般情况下，下列筹资方式中资本成本最高的是（  ）。A.长期借款 B.公司债券 C.普通股 D.优先股', '', 'C', '', '普通股股东承担的风险最大，要求的报酬率最高，且股利不能在税前扣除，因此普通股资本成本通常最高。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 16, '下列关于财务杠杆的表述中，正确的有（  ）。A.财务杠杆系数等于息税前利润变动率除以每股收益变动率 B.存在利息等固定性融资成本时，就会产生财务杠杆效应 C.财务杠杆系数越大，财务风险越大 D.其他条件不变时，提高负债比重通常会提高财务杠杆系数', '', 'BCD', '', '财务杠杆系数是每股收益变动率与息税前利润变动率之比，选项中的A把分子分母颠倒了。固定性融资成本越多，财务杠杆系数和财务风险越大。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 17, '在杜邦分析体系中，权益净利率等于（  ）。A.营业净利率×总资产周转次数 B.营业净利率×总资产周转次数×权益乘数 C.总资产净利率÷权益乘数 D.营业净利率×权益乘数', '', 'B', '', '权益净利率＝总资产净利率×权益乘数＝营业净利率×总资产周转次数×权益乘数。营业净利率与总资产周转次数之积是总资产净利率。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 18, '权益乘数越大，说明企业的负债程度越低。', '', '错', '', '权益乘数＝总资产÷股东权益，权益乘数越大，股东权益占比越小，负债程度越高。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 19, '下列各项中，属于变动成本的是（  ）。A.厂房租金 B.管理人员固定工资 C.按直线法计提的设备折旧 D.按产量耗用的直接材料成本', '', 'D', '', '直接材料成本随产量成正比例变动，属于变动成本。厂房租金、固定工资和直线法折旧在相关范围内不随产量变动，属于固定成本。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 20, '某产品单价为50元，单位变动成本为30元，固定成本总额为40000元，则盈亏临界点销售量为（  ）件。A.2000 B.800 C.1333 D.4000', '', 'A', '', '盈亏临界点销售量＝固定成本÷单位边际贡献＝40000÷（50－30）＝2000（件）。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 21, '下列各项中，属于短期筹资方式的有（  ）。A.发行普通股 B.融资租赁 C.商业信用 D.短期借款', '', 'CD', '', '商业信用和短期借款筹集的是一年以内使用的资金。发行普通股和融资租赁属于长期筹资方式。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 22, '下列投资项目评价指标中，考虑了货币时间价值的有（  ）。A.净现值 B.静态回收期 C.内含报酬率 D.会计报酬率 E.现值指数', '', 'ACE', '', '净现值、内含报酬率和现值指数都以折现现金流量为基础。静态回收期和会计报酬率不考虑货币时间价值。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 23, '在最佳现金持有量的存货模式中，最佳现金持有量是使机会成本与交易成本之和最低的持有量。', '', '对', '', '存货模式只考虑机会成本和交易成本，两者之和最低（此时两者相等）时的现金持有量即为最佳现金持有量。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('2', 24, '在标准成本差异分析中，直接材料价格差异的计算公式为（  ）。A.标准数量×（实际价格－标准价格） B.（实际数量－标准数量）×标准价格 C.实际数量×（实际价格－标准价格） D.（实际数量－标准数量）×实际价格', '', 'C', '', '直接材料价格差异＝实际数量×（实际价格－标准价格），数量差异＝（实际数量－标准数量）×标准价格。', 1);

-- 试卷 3：一分钟限时小测
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('3', 1, '会计的基本职能是（  ）。A.预测与决策 B.计划与控制 C.核算与监督 D.分析与评价', '', 'C', '', '会计的基本职能是会计核算和会计监督，预测、决策、评价等属于拓展职能。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('3', 2, '会计基本等式为：资产＝负债＋所有者权益。', '', '对', '', '该等式反映了企业某一时点资产、负债和所有者权益之间的关系，是编制资产负债表的依据。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('3', 3, '我国企业的会计年度为（  ）。A.4月1日至次年3月31日 B.公历1月1日至12月31日 C.7月1日至次年6月30日 D.10月1日至次年9月30日', '', 'B', '', '我国会计年度采用公历年度，即自公历1月1日起至12月31日止。', 1);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('3', 4, '下列各项中，属于期间费用的有（  ）。A.管理费用 B.销售费用 C.制造费用 D.财务费用', '', 'ABD', '', '期间费用包括管理费用、销售费用和财务费用，直接计入当期损益。制造费用应分配计入产品成本。', 2);
INSERT INTO 题库 (code, tihao, question, pic, authority, practice, jiexi, score) VALUES ('3', 5, '企业所得税属于流转税类税种。', '', '错', '', '企业所得税以应纳税所得额为计税依据，属于所得税类；增值税、消费税等才属于流转税类。', 1);

-- 试卷 T4：空白卷，不插入任何题目
